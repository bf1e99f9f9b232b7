#include "tests/support/AtomWalk.h"

#include <sys/stat.h>

#include <sstream>

#include "tests/support/Shell.h"

namespace zeb::test {

uint64_t BigEndian(std::span<const uint8_t> bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i)
    value = value << 8 | (at + i < bytes.size() ? bytes[at + i] : 0);
  return at + width <= bytes.size() ? value : 0;
}

namespace {

// The atom whose header starts at `at`, or nothing when it breaks the framing.
// Size 0 runs to the end of a file; inside an atom it is a terminator.
std::optional<AtomInfo> AtomAt(std::span<const uint8_t> header, uint64_t at, uint64_t end,
                               bool topLevel) {
  AtomInfo atom{static_cast<uint32_t>(BigEndian(header, 4)), at, BigEndian(header, 0), 8};
  if (atom.size == 1) atom = {atom.type, at, BigEndian(header, 8, 8), 16};
  if (atom.size == 0 && topLevel) atom.size = end - at;
  if (atom.size < atom.headerSize || atom.size > end - at) return std::nullopt;
  return atom;
}

void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

}  // namespace

std::vector<AtomInfo> ChildAtoms(std::span<const uint8_t> bytes, uint64_t begin, uint64_t end) {
  std::vector<AtomInfo> atoms;
  while (begin + 8 <= end) {
    const auto atom =
        AtomAt(bytes.subspan(begin, std::min<uint64_t>(16, end - begin)), begin, end, false);
    if (!atom) break;
    atoms.push_back(*atom);
    begin += atom->size;
  }
  return atoms;
}

std::vector<AtomInfo> TopLevelAtoms(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return {};
  const auto end = static_cast<uint64_t>(info.st_size);
  std::vector<AtomInfo> atoms;
  for (uint64_t at = 0; at + 8 <= end;) {
    const auto atom = AtomAt(ReadFile(path, at, 16), at, end, true);
    if (!atom) break;
    atoms.push_back(*atom);
    at += atom->size;
  }
  return atoms;
}

std::vector<AtomInfo> FindAtoms(std::span<const uint8_t> bytes, const std::string& path) {
  std::vector<AtomInfo> level = {{0, 0, bytes.size(), 0}};  // the whole as a headerless atom
  std::istringstream parts(path);
  for (std::string part; std::getline(parts, part, '/');) {
    const size_t bracket = part.find('[');
    const int index = bracket == std::string::npos ? 0 : std::stoi(part.substr(bracket + 1));
    std::string name = part.substr(0, bracket);
    name.resize(4, ' ');
    const auto type = static_cast<uint32_t>(
        BigEndian({reinterpret_cast<const uint8_t*>(name.data()), name.size()}, 0));
    std::vector<AtomInfo> next;
    for (const AtomInfo& parent : level) {
      int seen = 0;
      for (const AtomInfo& child :
           ChildAtoms(bytes, parent.offset + parent.headerSize, parent.offset + parent.size)) {
        if (child.type == type && (index == 0 || ++seen == index)) next.push_back(child);
      }
    }
    level = std::move(next);
  }
  return level;
}

std::vector<std::vector<uint8_t>> AtomPayloads(std::span<const uint8_t> bytes,
                                               const std::string& path) {
  std::vector<std::vector<uint8_t>> payloads;
  for (const AtomInfo& atom : FindAtoms(bytes, path)) {
    const auto payload = bytes.subspan(atom.offset + atom.headerSize, atom.size - atom.headerSize);
    payloads.emplace_back(payload.begin(), payload.end());
  }
  return payloads;
}

std::vector<uint8_t> WithAtomPayload(std::vector<uint8_t> file, const std::string& path,
                                     const std::optional<std::vector<uint8_t>>& payload) {
  // The first atom at each step of the path, outermost first.
  std::vector<AtomInfo> chain;
  for (size_t slash = 0; slash != std::string::npos;) {
    slash = path.find('/', slash + 1);
    const std::vector<AtomInfo> found = FindAtoms(file, path.substr(0, slash));
    if (found.empty()) return {};
    chain.push_back(found.front());
  }
  const AtomInfo target = chain.back();
  const auto begin = file.begin() + long(target.offset);
  file.erase(payload ? begin + 8 : begin, begin + long(target.size));
  if (payload) {
    file.insert(file.begin() + long(target.offset + 8), payload->begin(), payload->end());
    PutBe32(file, target.offset, 8 + payload->size());
  }
  const int64_t growth = int64_t(payload ? 8 + payload->size() : 0) - int64_t(target.size);
  for (size_t i = 0; i + 1 < chain.size(); ++i)
    PutBe32(file, chain[i].offset, uint64_t(int64_t(chain[i].size) + growth));
  return file;
}

std::vector<uint8_t> MoovBytes(const std::string& path) {
  for (const AtomInfo& atom : TopLevelAtoms(path)) {
    if (atom.type == 0x6D6F6F76) return ReadFile(path, atom.offset, atom.size);  // 'moov'
  }
  return {};
}

std::vector<std::vector<uint8_t>> StsdEntries(const std::string& path) {
  std::vector<std::vector<uint8_t>> entries;
  for (const auto& stsd : AtomPayloads(MoovBytes(path), "moov/trak/mdia/minf/stbl/stsd")) {
    const auto size = BigEndian(stsd, 8);  // after version, flags and entry count
    entries.emplace_back(stsd.begin() + 8, stsd.begin() + 8 + long(size));
  }
  return entries;
}

}  // namespace zeb::test
