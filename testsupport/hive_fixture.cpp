#include "testsupport/hive_fixture.h"

#include <hivex.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumo::registry::testing {
namespace {

void put16(std::vector<char>& b, size_t at, uint16_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}
void put32(std::vector<char>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}
void putText(std::vector<char>& b, size_t at, const char* s) { std::memcpy(&b[at], s, std::strlen(s)); }

// UTF-8 to UTF-16LE with a final NUL, as Windows stores a text value.
std::string utf16(const std::string& utf8) {
  std::string out;
  auto unit = [&](uint32_t u) {
    out += char(u & 0xFF);
    out += char(u >> 8);
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = c;
    size_t n = 1;
    if (c >= 0xF0) {
      cp = c & 0x07;
      n = 4;
    } else if (c >= 0xE0) {
      cp = c & 0x0F;
      n = 3;
    } else if (c >= 0xC0) {
      cp = c & 0x1F;
      n = 2;
    }
    for (size_t k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  unit(0);
  return out;
}

std::string dataOf(const Value& v) {
  switch (v.type) {
    case ValueType::String:
    case ValueType::ExpandString: return utf16(v.data);
    case ValueType::MultiString: {
      std::string out;
      size_t start = 0;
      while (true) {
        const size_t nul = v.data.find('\0', start);
        out += utf16(v.data.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
        if (nul == std::string::npos) break;
        start = nul + 1;
      }
      return out + std::string(2, '\0');
    }
    case ValueType::Dword: {
      std::string out(4, '\0');
      for (int i = 0; i < 4; ++i) out[size_t(i)] = char((v.dword >> (8 * i)) & 0xFF);
      return out;
    }
    default: return v.data;
  }
}

void fill(hive_h* h, hive_node_h node, const HiveKey& key) {
  std::vector<std::string> data;
  std::vector<hive_set_value> values;
  data.reserve(key.values.size());
  for (const Value& v : key.values) data.push_back(dataOf(v));
  for (size_t i = 0; i < key.values.size(); ++i) {
    hive_set_value value{const_cast<char*>(key.values[i].name.c_str()), hive_t_REG_NONE, data[i].size(),
                         data[i].data()};
    // Any 32-bit type, also one the enumeration lacks: stored as its bytes.
    const auto type = static_cast<uint32_t>(key.values[i].type);
    static_assert(sizeof value.t == sizeof type);
    std::memcpy(&value.t, &type, sizeof type);
    values.push_back(value);
  }
  if (hivex_node_set_values(h, node, values.size(), values.data(), 0) != 0)
    throw std::runtime_error("hivex_node_set_values");
  for (const HiveKey& sub : key.subkeys) {
    const hive_node_h child = hivex_node_add_child(h, node, sub.name.c_str());
    if (child == 0) throw std::runtime_error("hivex_node_add_child " + sub.name);
    fill(h, child, sub);
  }
}

}  // namespace

void writeEmptyHive(const std::filesystem::path& file) {
  constexpr size_t kBlock = 4096;
  std::vector<char> b(2 * kBlock, '\0');
  // Base block: signature, equal sequence numbers, version 1.3, the root
  // key's cell, the size of the hive bins, and the header's checksum.
  putText(b, 0x00, "regf");
  put32(b, 0x04, 1);
  put32(b, 0x08, 1);
  put32(b, 0x14, 1);
  put32(b, 0x18, 3);
  put32(b, 0x1C, 0);
  put32(b, 0x20, 1);
  put32(b, 0x24, 0x20);
  put32(b, 0x28, kBlock);
  put32(b, 0x2C, 1);
  uint32_t sum = 0;
  for (size_t i = 0; i < 0x1FC; i += 4)
    sum ^= uint32_t(uint8_t(b[i])) | uint32_t(uint8_t(b[i + 1])) << 8 | uint32_t(uint8_t(b[i + 2])) << 16 |
           uint32_t(uint8_t(b[i + 3])) << 24;
  put32(b, 0x1FC, sum);
  // One hive bin; cell offsets count from its start.
  const size_t bin = kBlock;
  putText(b, bin, "hbin");
  put32(b, bin + 0x04, 0);
  put32(b, bin + 0x08, kBlock);
  // The root key (a used cell has a negative size).
  const size_t nk = 0x20, sk = 0x78, freeCell = 0xA8;
  put32(b, bin + nk, uint32_t(-88));
  const size_t k = bin + nk + 4;
  putText(b, k, "nk");
  put16(b, k + 0x02, 0x2C);        // root key, cannot be deleted, name in Latin-1
  put32(b, k + 0x1C, 0xFFFFFFFF);  // no subkey list
  put32(b, k + 0x20, 0xFFFFFFFF);
  put32(b, k + 0x28, 0xFFFFFFFF);  // no value list
  put32(b, k + 0x2C, sk);
  put32(b, k + 0x30, 0xFFFFFFFF);  // no class name
  put16(b, k + 0x48, 4);
  putText(b, k + 0x4C, "lumo");
  // The security cell, a list of one, used by the root key.
  put32(b, bin + sk, uint32_t(-48));
  const size_t s = bin + sk + 4;
  putText(b, s, "sk");
  put32(b, s + 0x04, sk);
  put32(b, s + 0x08, sk);
  put32(b, s + 0x0C, 1);
  put32(b, s + 0x10, 20);
  b[s + 0x14] = 1;             // descriptor revision
  put16(b, s + 0x16, 0x8000);  // self-relative, nothing else
  // The rest of the bin is one free cell.
  put32(b, bin + freeCell, uint32_t(kBlock - freeCell));
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(b.data(), std::streamsize(b.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void writeHive(const std::filesystem::path& file, const HiveKey& root) {
  writeEmptyHive(file);
  hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
  if (!h) throw std::runtime_error("hivex_open " + file.string());
  try {
    fill(h, hivex_root(h), root);
    if (hivex_commit(h, nullptr, 0) != 0) throw std::runtime_error("hivex_commit");
  } catch (...) {
    hivex_close(h);
    throw;
  }
  hivex_close(h);
}

}  // namespace lumo::registry::testing
