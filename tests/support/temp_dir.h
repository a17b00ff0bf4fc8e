#pragma once
// Real files in a fresh temporary folder, removed with the object.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dz::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::u16string text() const; // the folder as the core's UTF-16 text
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// An environment variable set for the life of the object, then put back.
// TZ takes effect at once both ways.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A link to a folder. Windows lets only some users make links and Wine only
// pretends to: false there, and the caller leaves out what needs a link.
// On Linux it always works.
bool MakeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link);

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::vector<uint8_t> ReadFile(const std::filesystem::path& path);
// Bytes 0, 1, 2, ... (mod 251) so that misplaced blocks show up.
std::vector<uint8_t> PatternBytes(size_t n, uint8_t seed = 0);

} // namespace dz::test
