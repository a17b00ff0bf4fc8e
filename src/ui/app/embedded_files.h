#pragma once
// Files the program carries inside itself (the toolbar strips and the
// application icon from res/), so a copy of the program started anywhere
// finds its pictures. The table is generated at build time.
#include <cstddef>

struct EmbeddedFile {
    const char* name; // the file's name in res/
    const unsigned char* data;
    std::size_t size;
};

// The file of that name, or null when the program carries none.
const EmbeddedFile* FindEmbeddedFile(const char* name);
