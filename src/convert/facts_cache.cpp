#include "convert/facts_cache.h"

#include "common/text.h"
#include "convert/conversion_files.h"
#include "platform/folder_path.h"
#include "platform/platform.h"

#include <atomic>
#include <charconv>
#include <string_view>
#include <system_error>
#include <thread>

namespace dz::convert {
namespace {

// The largest cache file read: a bigger one is not ours, or not sane.
constexpr int64_t kMaxFileSize = 64 * 1024 * 1024;
constexpr char kFieldSeparator = '\t';
constexpr char kStreamFieldSeparator = ',';
constexpr std::string_view kEntryTag = "R";
constexpr std::string_view kEndTag = "end";
constexpr std::string_view kNone = "-";

// FNV-1a over the stamp fields: which files, in which state.
uint64_t Mix(uint64_t hash, uint64_t value) {
    constexpr uint64_t kPrime = 1099511628211ull;
    for (int k = 0; k < 8; ++k) {
        hash ^= (value >> (8 * k)) & 0xFF;
        hash *= kPrime;
    }
    return hash;
}
uint64_t MixStamp(uint64_t hash, const std::optional<platform::FileStamp>& stamp) {
    if (!stamp)
        return Mix(hash, ~uint64_t{0});
    hash = Mix(hash, stamp->device);
    hash = Mix(hash, stamp->file);
    hash = Mix(hash, stamp->size);
    return Mix(hash, static_cast<uint64_t>(stamp->modified));
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        fields.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos)
            return fields;
        start = at + 1;
    }
}

template <typename T> bool Number(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A word of our own making: letters, digits and a few marks, never a separator.
bool IsWord(std::string_view text) {
    if (text.empty() || text.size() > 32)
        return false;
    for (const char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == ':' || c == '.' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}
std::string WordOrNone(const std::string& word) {
    return IsWord(word) ? word : std::string(kNone);
}
bool ReadWord(std::string_view text, std::string& word) {
    if (text == kNone) {
        word.clear();
        return true;
    }
    if (!IsWord(text))
        return false;
    word = text;
    return true;
}

std::string StreamRecord(const StreamFormat& s) {
    std::string r = s.kind == StreamKind::Video ? "V" : "A";
    for (const std::string& field :
         {std::to_string(s.pid), WordOrNone(s.codec), std::to_string(s.width),
          std::to_string(s.height), WordOrNone(s.aspect), std::to_string(s.frameRateNum),
          std::to_string(s.frameRateDen), std::to_string(s.sampleRate), std::to_string(s.channels),
          std::to_string(s.bitRate)}) {
        r += kStreamFieldSeparator;
        r += field;
    }
    return r;
}

bool ReadStream(std::string_view text, StreamFormat& s) {
    const std::vector<std::string_view> f = Split(text, kStreamFieldSeparator);
    if (f.size() != 11 || (f[0] != "V" && f[0] != "A"))
        return false;
    s.kind = f[0] == "V" ? StreamKind::Video : StreamKind::Audio;
    return Number(f[1], s.pid) && ReadWord(f[2], s.codec) && Number(f[3], s.width) &&
           Number(f[4], s.height) && ReadWord(f[5], s.aspect) && Number(f[6], s.frameRateNum) &&
           Number(f[7], s.frameRateDen) && Number(f[8], s.sampleRate) && Number(f[9], s.channels) &&
           Number(f[10], s.bitRate);
}

} // namespace

std::optional<FactsKey> FactsKeyOf(const std::vector<std::u16string>& parts) {
    if (parts.empty())
        return std::nullopt;
    const std::optional<platform::FileStamp> first = platform::StampOf(parts.front());
    if (!first)
        return std::nullopt;
    FactsKey key;
    key.device = first->device;
    key.file = first->file;
    uint64_t hash = 14695981039346656037ull;
    hash = MixStamp(hash, first);
    hash = MixStamp(hash, platform::StampOf(CompanionOfRecording(parts.front())));
    hash = Mix(hash, parts.size());
    // The facts come from part 1 and the last parts; a part between them
    // that changes changes the companion's total size.
    if (parts.size() > 1)
        hash = MixStamp(hash, platform::StampOf(parts.back()));
    if (parts.size() > 2)
        hash = MixStamp(hash, platform::StampOf(parts[parts.size() - 2]));
    key.signature = hash;
    return key;
}

bool FactsCache::Load() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_dirty = false;
    if (m_file.empty())
        return false;
    platform::File file = platform::File::OpenRead(m_file);
    if (!file.IsOpen())
        return false;
    const int64_t size = file.Size();
    std::string text;
    if (size > 0 && size <= kMaxFileSize) {
        text.resize(static_cast<size_t>(size));
        if (file.Read(text.data(), text.size()) != size)
            text.clear();
    }
    // Anything but a whole file of this version, ended by its count, is
    // dropped as a whole: a cut or mixed file could hold a wrong entry.
    std::vector<std::string_view> lines = Split(text, '\n');
    bool whole = lines.size() >= 3 && lines[0] == kHeader && lines.back().empty();
    std::map<std::pair<uint64_t, uint64_t>, std::pair<uint64_t, RecordingFacts>> read;
    for (size_t k = 1; whole && k + 1 < lines.size(); ++k) {
        const std::vector<std::string_view> f = Split(lines[k], kFieldSeparator);
        if (k + 2 == lines.size()) {
            size_t count = 0;
            whole = f.size() == 2 && f[0] == kEndTag && Number(f[1], count) && count == read.size();
            continue;
        }
        uint64_t device = 0, fileId = 0, signature = 0;
        size_t streams = 0;
        RecordingFacts facts;
        whole = f.size() >= 6 && f[0] == kEntryTag && Number(f[1], device) &&
                Number(f[2], fileId) && Number(f[3], signature) && Number(f[5], streams) &&
                f.size() == 6 + streams;
        if (whole && f[4] != kNone) {
            int64_t length = 0;
            whole = Number(f[4], length) && length >= 0;
            facts.length = length;
        }
        for (size_t s = 0; whole && s < streams; ++s) {
            StreamFormat stream;
            whole = ReadStream(f[6 + s], stream);
            facts.streams.push_back(std::move(stream));
        }
        if (whole)
            read[{device, fileId}] = {signature, std::move(facts)};
    }
    if (!whole) {
        m_dirty = true; // written anew at the next Save
        return false;
    }
    m_entries = std::move(read);
    return true;
}

bool FactsCache::Save() {
    std::lock_guard lock(m_mutex);
    if (!m_dirty || m_file.empty())
        return true;
    std::string text = kHeader;
    text += '\n';
    for (const auto& [identity, entry] : m_entries) {
        const RecordingFacts& facts = entry.second;
        text += std::string(kEntryTag) + kFieldSeparator + std::to_string(identity.first) +
                kFieldSeparator + std::to_string(identity.second) + kFieldSeparator +
                std::to_string(entry.first) + kFieldSeparator +
                (facts.length ? std::to_string(*facts.length) : std::string(kNone)) +
                kFieldSeparator + std::to_string(facts.streams.size());
        for (const StreamFormat& stream : facts.streams)
            text += kFieldSeparator + StreamRecord(stream);
        text += '\n';
    }
    text += std::string(kEndTag) + kFieldSeparator + std::to_string(m_entries.size()) + '\n';

    if (platform::LastSeparator(m_file) == std::u16string::npos)
        return false;
    platform::MakeFolderWithParents(platform::FolderOf(m_file));
    if (!platform::WriteFileReplacing(m_file, text.data(), text.size()))
        return false;
    m_dirty = false;
    return true;
}

std::optional<RecordingFacts> FactsCache::Find(const FactsKey& key) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find({key.device, key.file});
    if (found == m_entries.end() || found->second.first != key.signature)
        return std::nullopt;
    return found->second.second;
}

void FactsCache::Store(const FactsKey& key, const RecordingFacts& facts) {
    std::lock_guard lock(m_mutex);
    if (m_entries.size() >= kMaxEntries && !m_entries.count({key.device, key.file}))
        m_entries.clear();
    RecordingFacts kept = facts;
    kept.bytesRead = 0; // what this reading cost, not a fact of the recording
    m_entries[{key.device, key.file}] = {key.signature, std::move(kept)};
    m_dirty = true;
}

size_t FactsCache::size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::u16string DefaultFactsCacheFile() {
    const std::u16string folder = platform::UserCacheFolder();
    if (folder.empty())
        return {};
    return platform::JoinPath(folder, u"stream-facts");
}

RecordingFacts CachedRecordingFacts(const std::u16string& partPath, FactsCache& cache) {
    const std::vector<std::u16string> parts = RecordingStreamParts(partPath);
    const std::optional<FactsKey> key = FactsKeyOf(parts);
    if (key) {
        if (std::optional<RecordingFacts> known = cache.Find(*key))
            return *known;
    }
    RecordingFacts facts = ReadFactsOfParts(parts);
    if (key)
        cache.Store(*key, facts);
    return facts;
}

std::vector<RecordingFacts> CachedRecordingFacts(const std::vector<std::u16string>& partPaths,
                                                 FactsCache& cache, unsigned readers) {
    std::vector<RecordingFacts> facts(partPaths.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k = next++; k < partPaths.size(); k = next++)
            facts[k] = CachedRecordingFacts(partPaths[k], cache);
    };
    std::vector<std::thread> threads;
    const size_t wanted = std::min<size_t>(readers, partPaths.size());
    for (size_t t = 1; t < wanted; ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the ones started, and this thread, do the rest
        }
    }
    work();
    for (std::thread& thread : threads)
        thread.join();
    return facts;
}

} // namespace dz::convert
