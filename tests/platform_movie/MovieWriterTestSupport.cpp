#include "tests/platform_movie/MovieWriterTestSupport.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <sstream>

#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "tests/support/Fixtures.h"

namespace zeb::movie::test {
namespace {

uint32_t CodeOf(const std::string& name) {
    uint32_t code = 0;
    for (size_t i = 0; i < 4; ++i) code = code << 8 | static_cast<uint8_t>(i < name.size() ? name[i] : ' ');
    return code;
}

void PutBe(Bytes& bytes, size_t at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

// Version 1 stores bytes per frame at 44; version 0 has channels at 24 and
// bits per sample at 26.
uint32_t SoundBytesPerFrame(const Bytes& entry) {
    if (BeU32(entry, 16) >> 16 == 1) return BeU32(entry, 44);
    const uint32_t format = BeU32(entry, 24);
    return (format >> 16) * ((format & 0xFFFF) / 8);
}

}  // namespace

std::string RunCommand(const std::string& command, int& exitCode) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        exitCode = -1;
        return out;
    }
    std::array<char, 65536> buffer;
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), got);
    const int status = ::pclose(pipe);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string OutputPath(const std::string& name) {
    const std::string folder = zeb::test::FixtureDir() + "/movie_writer";
    std::filesystem::create_directories(folder);
    return folder + "/" + name;
}

Bytes ReadBytes(const std::string& path, uint64_t offset, uint64_t size) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    Bytes bytes(size);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return bytes;
}

Bytes PacketBytes(const std::string& path, const std::vector<zeb::test::ProbePacket>& packets) {
    Bytes all;
    for (const zeb::test::ProbePacket& packet : packets) {
        const Bytes data = ReadBytes(path, static_cast<uint64_t>(packet.pos), packet.size);
        all.insert(all.end(), data.begin(), data.end());
    }
    return all;
}

std::string DecodeErrors(const std::string& path) {
    int exit_code = 0;
    const std::string errors = RunCommand("ffmpeg -v error -i '" + path + "' -f null - 2>&1", exit_code);
    return errors.empty() && exit_code != 0 ? "exit " + std::to_string(exit_code) : errors;
}

uint32_t BeU32(const Bytes& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

uint64_t BeU64(const Bytes& bytes, size_t at) { return uint64_t{BeU32(bytes, at)} << 32 | BeU32(bytes, at + 4); }

std::vector<Atom> TopLevelAtoms(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return {};
    std::vector<Atom> atoms;
    uint64_t offset = 0;
    const auto file_size = static_cast<uint64_t>(info.st_size);
    while (offset + 8 <= file_size) {
        const Bytes header = ReadBytes(path, offset, 16);
        Atom atom{BeU32(header, 4), offset, BeU32(header, 0), 8};
        if (atom.size == 1) {
            atom.size = BeU64(header, 8);
            atom.headerSize = 16;
        }
        if (atom.size == 0) atom.size = file_size - offset;
        if (atom.size < atom.headerSize) break;
        atoms.push_back(atom);
        offset += atom.size;
    }
    return atoms;
}

std::vector<Atom> ChildAtoms(const Bytes& bytes, uint64_t begin, uint64_t end) {
    std::vector<Atom> atoms;
    while (begin + 8 <= end) {
        Atom atom{BeU32(bytes, begin + 4), begin, BeU32(bytes, begin), 8};
        if (atom.size < 8 || atom.size > end - begin) break;
        atoms.push_back(atom);
        begin += atom.size;
    }
    return atoms;
}

Bytes MoovBytes(const std::string& path) {
    for (const Atom& atom : TopLevelAtoms(path)) {
        if (atom.type == FourCC("moov")) return ReadBytes(path, atom.offset, atom.size);
    }
    return {};
}

std::vector<Bytes> AtomPayloads(const Bytes& moov, const std::string& path) {
    std::vector<std::pair<uint64_t, uint64_t>> level = {{8, moov.size()}};  // payload ranges
    std::stringstream names(path);
    std::string name;
    std::vector<Bytes> found;
    while (std::getline(names, name, '/')) {
        const uint32_t code = CodeOf(name);
        std::vector<std::pair<uint64_t, uint64_t>> next;
        for (const auto& [begin, end] : level) {
            for (const Atom& atom : ChildAtoms(moov, begin, end)) {
                if (atom.type == code) next.emplace_back(atom.offset + 8, atom.offset + atom.size);
            }
        }
        level = std::move(next);
    }
    for (const auto& [begin, end] : level) found.emplace_back(moov.begin() + begin, moov.begin() + end);
    return found;
}

std::vector<Bytes> StsdEntries(const std::string& path) {
    std::vector<Bytes> entries;
    for (const Bytes& stsd : AtomPayloads(MoovBytes(path), "trak/mdia/minf/stbl/stsd")) {
        const uint32_t size = BeU32(stsd, 8);  // after version, flags and entry count
        entries.emplace_back(stsd.begin() + 8, stsd.begin() + 8 + size);
    }
    return entries;
}

Bytes ImageEntry(const char (&format)[5], uint16_t width, uint16_t height, const Bytes& extensions) {
    Bytes entry(86 + extensions.size(), 0);
    PutBe(entry, 0, entry.size(), 4);
    PutBe(entry, 4, FourCC(format), 4);
    PutBe(entry, 14, 1, 2);  // data reference index
    PutBe(entry, 32, width, 2);
    PutBe(entry, 34, height, 2);
    PutBe(entry, 36, 0x480000, 4);  // 72 dpi
    PutBe(entry, 40, 0x480000, 4);
    PutBe(entry, 48, 1, 2);   // frame count
    PutBe(entry, 82, 24, 2);  // depth
    PutBe(entry, 84, 0xFFFF, 2);
    std::copy(extensions.begin(), extensions.end(), entry.begin() + 86);
    return entry;
}

Bytes SoundEntry(const char (&format)[5], uint16_t channels, uint16_t bits, uint16_t version) {
    Bytes entry(version == 1 ? 52 : 36, 0);
    PutBe(entry, 0, entry.size(), 4);
    PutBe(entry, 4, FourCC(format), 4);
    PutBe(entry, 14, 1, 2);  // data reference index
    PutBe(entry, 16, version, 2);
    PutBe(entry, 24, channels, 2);
    PutBe(entry, 26, bits, 2);
    PutBe(entry, 32, 48000u << 16, 4);
    if (version == 1) {
        PutBe(entry, 36, 1, 4);                     // samples per packet
        PutBe(entry, 40, bits / 8u, 4);             // bytes per packet
        PutBe(entry, 44, channels * (bits / 8u), 4);  // bytes per frame
        PutBe(entry, 48, bits / 8u, 4);             // bytes per sample
    }
    return entry;
}

NativeDescription::NativeDescription(uint32_t mediaType, Bytes fileOrder) : handle_(NewHandle(fileOrder.size())) {
    SampleDescriptionToNative(mediaType, fileOrder);
    std::copy(fileOrder.begin(), fileOrder.end(), *handle_);
}

Status TestMovie::Create(const std::string& path, const std::vector<TrackSpec>& tracks) {
    ZEB_MOVIE_TRY(MovieWriter::CreateMovieFile(path, writer_));
    for (const TrackSpec& spec : tracks) {
        WriterTrack* track = nullptr;
        WriterMedia* media = nullptr;
        const int16_t volume = spec.mediaType == FourCC("soun") ? 0x100 : 0;
        ZEB_MOVIE_TRY(writer_->NewTrack(spec.width, spec.height, volume, track));
        ZEB_MOVIE_TRY(writer_->NewMedia(track, spec.mediaType, spec.timeScale, media));
        ZEB_MOVIE_TRY(writer_->BeginMediaEdits(media));
        tracks_.push_back(track);
        media_.push_back(media);
    }
    return Status::Ok();
}

Status TestMovie::Finish() {
    for (size_t i = 0; i < media_.size(); ++i) {
        uint64_t duration = 0;
        ZEB_MOVIE_TRY(writer_->EndMediaEdits(media_[i]));
        ZEB_MOVIE_TRY(writer_->MediaDuration(media_[i], duration));
        ZEB_MOVIE_TRY(writer_->InsertMediaIntoTrack(tracks_[i], 0, 0, static_cast<int64_t>(duration), kFixedOne));
    }
    ZEB_MOVIE_TRY(writer_->AddMovieResource());
    return writer_->CloseMovieFile();
}

MovieCopier::MovieCopier(const std::string& source) : source_(source), probe_(zeb::test::ProbeFile(source)) {
    entries_ = StsdEntries(source);
    for (size_t i = 0; i < probe_.streams.size() && i < entries_.size(); ++i) {
        const bool video = probe_.streams[i].codecType == "video";
        descriptions_.push_back(std::make_unique<NativeDescription>(video ? FourCC("vide") : FourCC("soun"), entries_[i]));
        bytesPerFrame_.push_back(video ? 0 : SoundBytesPerFrame(entries_[i]));
    }
}

Status MovieCopier::Open(const std::string& target) {
    if (!probe_.ok || probe_.streams.empty() || descriptions_.size() != probe_.streams.size()) {
        return Status::Error(StatusCode::kNotFound, "source not probed: " + source_ + " " + probe_.error);
    }
    std::vector<TrackSpec> tracks;
    for (size_t i = 0; i < probe_.streams.size(); ++i) {
        const bool video = bytesPerFrame_[i] == 0;
        const uint32_t size = video ? BeU32(entries_[i], 32) : 0;  // image description: width, height
        tracks.push_back({video ? FourCC("vide") : FourCC("soun"), probe_.streams[i].timeBaseDen,
                          static_cast<int32_t>(size & 0xFFFF0000), static_cast<int32_t>(size << 16)});
    }
    return target_.Create(target, tracks);
}

Status MovieCopier::AddPacket(size_t index) {
    const zeb::test::ProbePacket& packet = probe_.packets.at(index);
    const auto stream = static_cast<size_t>(packet.streamIndex);
    const Bytes data = ReadBytes(source_, static_cast<uint64_t>(packet.pos), packet.size);
    const bool video = bytesPerFrame_.at(stream) == 0;
    const uint32_t count = video ? 1 : static_cast<uint32_t>(data.size() / bytesPerFrame_[stream]);
    return target_.Writer().AddMediaSample2(target_.Media(stream), data.data(), static_cast<uint32_t>(data.size()),
                                            video ? packet.duration : 1, video ? packet.pts - packet.dts : 0,
                                            descriptions_[stream]->Get(), count, packet.key ? 0 : kSampleNotSync,
                                            nullptr);
}

Status CopyMovie(const std::string& source, const std::string& target) {
    MovieCopier copier(source);
    ZEB_MOVIE_TRY(copier.Open(target));
    for (size_t i = 0; i < copier.PacketCount(); ++i) ZEB_MOVIE_TRY(copier.AddPacket(i));
    return copier.Finish();
}

}  // namespace zeb::movie::test
