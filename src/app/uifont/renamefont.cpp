// Build tool: gives a single TrueType or OpenType font a new family name by
// rewriting its 'name' table. Every other table is copied byte for byte, so
// outlines, hinting and metrics stay exactly as they were.
//
//   lyrovo_rename_font IN OUT "New Family"
//
// The family, full name, unique ID, typographic family, Mac full name and
// WWS family become New Family, the PostScript name New Family without
// spaces. Their records in languages other than English are dropped, so that
// no localised alias of the old family survives; all other records are kept.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kTagHead = 0x68656164;        // 'head'
constexpr std::uint32_t kTagName = 0x6E616D65;        // 'name'
constexpr std::uint32_t kTagCollection = 0x74746366;  // 'ttcf'

std::uint16_t Read16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }
std::uint32_t Read32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
void Append16(Bytes& out, std::uint16_t value) {
  out.push_back(std::uint8_t(value >> 8));
  out.push_back(std::uint8_t(value));
}
void Append32(Bytes& out, std::uint32_t value) {
  Append16(out, std::uint16_t(value >> 16));
  Append16(out, std::uint16_t(value));
}
void Write32(Bytes& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(value >> (24 - 8 * i));
}

// Sum of big-endian 32-bit words, the data padded with zeros to a multiple of 4.
std::uint32_t Checksum(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; i += 4) {
    std::uint8_t word[4] = {0, 0, 0, 0};
    std::memcpy(word, data + i, std::min<std::size_t>(4, length - i));
    sum += Read32(word);
  }
  return sum;
}

struct Table {
  std::uint32_t tag;
  Bytes data;
};

struct NameRecord {
  std::uint16_t platform, encoding, language, nameId;
  Bytes text;
};

bool IsRenamed(std::uint16_t nameId) {
  return nameId == 1 || nameId == 3 || nameId == 4 || nameId == 6 || nameId == 16 || nameId == 18 ||
         nameId == 21;
}

// UTF-16BE for the Unicode and Windows platforms, single bytes for the Mac one.
Bytes EncodeName(const std::string& ascii, std::uint16_t platform) {
  Bytes out;
  for (unsigned char c : ascii) {
    if (platform == 1)
      out.push_back(c);
    else
      Append16(out, c);
  }
  return out;
}

bool RenameTable(const Bytes& old, const std::string& family, Bytes& renamed) {
  if (old.size() < 6) return false;
  std::string postScriptName = family;
  std::erase(postScriptName, ' ');
  const std::uint16_t count = Read16(&old[2]);
  const std::size_t storage = Read16(&old[4]);
  if (6 + 12 * std::size_t(count) > old.size()) return false;
  std::vector<NameRecord> records;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* entry = &old[6 + 12 * i];
    NameRecord record{Read16(entry), Read16(entry + 2), Read16(entry + 4), Read16(entry + 6), {}};
    const std::size_t length = Read16(entry + 8), offset = storage + Read16(entry + 10);
    if (offset + length > old.size()) return false;
    record.text.assign(old.begin() + std::ptrdiff_t(offset), old.begin() + std::ptrdiff_t(offset + length));
    if (IsRenamed(record.nameId)) {
      const bool english = record.platform == 0 || (record.platform == 1 && record.language == 0) ||
                           (record.platform == 3 && record.language == 0x409);
      if (!english) continue;
      record.text = EncodeName(record.nameId == 6 ? postScriptName : family, record.platform);
    }
    records.push_back(std::move(record));
  }
  std::sort(records.begin(), records.end(), [](const NameRecord& a, const NameRecord& b) {
    return std::tie(a.platform, a.encoding, a.language, a.nameId) <
           std::tie(b.platform, b.encoding, b.language, b.nameId);
  });
  Bytes strings;
  renamed.clear();
  Append16(renamed, 0);
  Append16(renamed, std::uint16_t(records.size()));
  Append16(renamed, std::uint16_t(6 + 12 * records.size()));
  for (const NameRecord& record : records) {
    for (std::uint16_t field : {record.platform, record.encoding, record.language, record.nameId})
      Append16(renamed, field);
    Append16(renamed, std::uint16_t(record.text.size()));
    Append16(renamed, std::uint16_t(strings.size()));
    strings.insert(strings.end(), record.text.begin(), record.text.end());
  }
  renamed.insert(renamed.end(), strings.begin(), strings.end());
  return true;
}

int Fail(const char* message) {
  std::fprintf(stderr, "lyrovo_rename_font: %s\n", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IN OUT \"New Family\"\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const Bytes font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (font.size() < 12 || Read32(&font[0]) == kTagCollection)
    return Fail("not a single TrueType or OpenType font");

  const std::uint16_t tableCount = Read16(&font[4]);
  if (12 + 16 * std::size_t(tableCount) > font.size()) return Fail("damaged table directory");
  std::vector<Table> tables;
  bool renamed = false;
  for (int i = 0; i < tableCount; ++i) {
    const std::uint8_t* entry = &font[12 + 16 * i];
    const std::size_t offset = Read32(entry + 8), length = Read32(entry + 12);
    if (offset + length > font.size()) return Fail("damaged table directory");
    Table table{Read32(entry),
                Bytes(font.begin() + std::ptrdiff_t(offset), font.begin() + std::ptrdiff_t(offset + length))};
    if (table.tag == kTagName) {
      Bytes names;
      if (!RenameTable(table.data, argv[3], names)) return Fail("damaged name table");
      table.data = std::move(names);
      renamed = true;
    }
    tables.push_back(std::move(table));
  }
  if (!renamed) return Fail("the font has no name table");
  std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) { return a.tag < b.tag; });

  // Header and table directory, with the binary-search fields the format asks for.
  Bytes out;
  std::uint16_t entrySelector = 0;
  while ((2u << entrySelector) <= tableCount) ++entrySelector;
  const std::uint16_t searchRange = std::uint16_t(16u << entrySelector);
  Append32(out, Read32(&font[0]));
  Append16(out, tableCount);
  Append16(out, searchRange);
  Append16(out, entrySelector);
  Append16(out, std::uint16_t(tableCount * 16 - searchRange));
  std::size_t offset = 12 + 16 * std::size_t(tableCount);
  for (Table& table : tables) {
    if (table.tag == kTagHead && table.data.size() >= 12)
      Write32(table.data, 8, 0);  // the whole-font sum, set last
    Append32(out, table.tag);
    Append32(out, Checksum(table.data.data(), table.data.size()));
    Append32(out, std::uint32_t(offset));
    Append32(out, std::uint32_t(table.data.size()));
    offset += (table.data.size() + 3) & ~std::size_t(3);
  }
  std::size_t headAt = 0;
  for (const Table& table : tables) {
    if (table.tag == kTagHead) headAt = out.size();
    out.insert(out.end(), table.data.begin(), table.data.end());
    while (out.size() % 4 != 0) out.push_back(0);
  }
  if (headAt != 0) Write32(out, headAt + 8, 0xB1B0AFBAu - Checksum(out.data(), out.size()));

  std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
  return file ? 0 : Fail("cannot write the output");
}
