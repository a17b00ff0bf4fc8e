#pragma once
// Recorder recordings in a temporary folder, made from stream bytes, and a
// way to ask ffprobe what a file holds.

#include "support/run_program.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace dz::test {

inline std::filesystem::path Fixture(const std::string& name) {
    return std::filesystem::path(DEZADIDE_FIXTURES) / name;
}

inline std::u16string Text(const std::filesystem::path& path) {
    const std::string s = path.string();
    return std::u16string(s.begin(), s.end());
}

inline std::string PartName(const std::string& name, int part, const char* ext = ".AVR") {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s_#%03d_200612241930%s", name.c_str(), part, ext);
    return buf;
}

// Part files 1..n (134-byte header with the stream offset, filler up to it,
// the stream) and a companion whose part count is `count` (n when < 0).
inline std::vector<std::filesystem::path>
WriteRecording(const std::filesystem::path& folder, const std::string& name,
               const std::vector<std::vector<uint8_t>>& streams, int count = -1,
               uint16_t streamOffset = 134) {
    std::vector<std::filesystem::path> parts;
    uint64_t total = 0;
    for (size_t i = 0; i < streams.size(); ++i) {
        std::vector<uint8_t> bytes(streamOffset, 0);
        bytes[8] = static_cast<uint8_t>(streamOffset >> 8);
        bytes[9] = static_cast<uint8_t>(streamOffset);
        bytes.insert(bytes.end(), streams[i].begin(), streams[i].end());
        parts.push_back(folder / PartName(name, static_cast<int>(i) + 1));
        WriteFile(parts.back(), bytes);
        total += bytes.size();
    }
    std::vector<uint8_t> head(8008, 0);
    const auto partCount = static_cast<uint16_t>(count < 0 ? streams.size() : count);
    head[1740] = static_cast<uint8_t>(partCount >> 8);
    head[1741] = static_cast<uint8_t>(partCount);
    for (int i = 0; i < 8; ++i)
        head[1744 + i] = static_cast<uint8_t>(total >> (56 - 8 * i));
    WriteFile(folder / PartName(name, 1, ".AVF"), head);
    return parts;
}

// What ffprobe says of a file: format_name, duration, and codec_type:codec_name
// of every stream in "streams" (space-separated).
inline std::map<std::string, std::string> Probe(const std::filesystem::path& file) {
    const std::string output =
        RunFfprobe({"-v", "error", "-of", "default=nw=1", "-show_entries",
                    "format=format_name,duration:stream=codec_name,codec_type", FfprobePath(file)});
    std::map<std::string, std::string> result;
    std::string codec; // a stream's codec_name comes before its codec_type
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::string s = line.substr(0, line.find_first_of("\r\n"));
        const size_t eq = s.find('=');
        const std::string key = s.substr(0, eq), value = s.substr(eq + 1);
        if (key == "codec_name")
            codec = value;
        else if (key == "codec_type")
            result["streams"] += (result["streams"].empty() ? "" : " ") + value + ":" + codec;
        else
            result[key] = value;
    }
    return result;
}

inline double Duration(const std::filesystem::path& file) {
    const auto probe = Probe(file);
    return probe.count("duration") ? std::atof(probe.at("duration").c_str()) : -1.0;
}

} // namespace dz::test
