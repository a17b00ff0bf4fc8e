#include "support/temp_dir.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace dz::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make files read-only; give the owner rights back before removal.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::u16string TempDir::text() const {
    const std::string s = m_path.string();
    return std::u16string(s.begin(), s.end());
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name))
        m_old = old;
    setenv(name, value.c_str(), 1);
    tzset();
}

ScopedEnv::~ScopedEnv() {
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
    tzset();
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    WriteFile(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    // In one read where the size is known: a byte-wise stream iterator is
    // slow in a debug build, and the integrity tests read many recordings.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    const std::streamoff size = in.tellg();
    if (size <= 0) {
        in.seekg(0);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

std::vector<uint8_t> PatternBytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>((i + seed) % 251);
    return v;
}

} // namespace dz::test
