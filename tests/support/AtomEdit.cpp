#include "tests/support/AtomEdit.h"

#include <sstream>

namespace zeb::test {

namespace {

struct Span {
  size_t at;    // the atom's first byte
  size_t size;  // header included
};

uint32_t Be32At(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

// The `index`-th (1-based) child of type `type` between `from` and `to`.
// Only 32-bit atom sizes: enough for the small movies the tests edit.
std::optional<Span> FindChild(const std::vector<uint8_t>& bytes, size_t from, size_t to,
                              const std::string& type, int index) {
  for (size_t at = from; at + 8 <= to;) {
    const size_t size = Be32At(bytes, at);
    if (size < 8 || at + size > to) return std::nullopt;
    if (std::string(bytes.begin() + long(at + 4), bytes.begin() + long(at + 8)) == type &&
        --index == 0) {
      return Span{at, size};
    }
    at += size;
  }
  return std::nullopt;
}

// The atoms along `path`, outermost first.
std::vector<Span> FindPath(const std::vector<uint8_t>& bytes, const std::string& path) {
  std::vector<Span> chain;
  size_t from = 0;
  size_t to = bytes.size();
  std::istringstream parts(path);
  for (std::string part; std::getline(parts, part, '/');) {
    const size_t bracket = part.find('[');
    const int index = bracket == std::string::npos ? 1 : std::stoi(part.substr(bracket + 1));
    const auto child = FindChild(bytes, from, to, part.substr(0, bracket), index);
    if (!child) return {};
    chain.push_back(*child);
    from = child->at + 8;
    to = child->at + child->size;
  }
  return chain;
}

}  // namespace

std::vector<uint8_t> WithAtomPayload(std::vector<uint8_t> file, const std::string& path,
                                     const std::optional<std::vector<uint8_t>>& payload) {
  const std::vector<Span> chain = FindPath(file, path);
  if (chain.empty()) return {};
  const Span target = chain.back();
  const auto begin = file.begin() + long(target.at);
  if (payload) {
    file.erase(begin + 8, begin + long(target.size));
    file.insert(file.begin() + long(target.at + 8), payload->begin(), payload->end());
    PutBe32(file, target.at, 8 + payload->size());
  } else {
    file.erase(begin, begin + long(target.size));
  }
  const int64_t growth = int64_t(payload ? 8 + payload->size() : 0) - int64_t(target.size);
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    PutBe32(file, chain[i].at, uint64_t(int64_t(chain[i].size) + growth));
  }
  return file;
}

}  // namespace zeb::test
