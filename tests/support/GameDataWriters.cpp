#include "support/GameDataWriters.h"

#include <algorithm>

std::vector<uint8_t> WriteGameDat(const GameDatSpec& spec) {
  const size_t header = DataFileHeaderLength(DataFileKind::GameDat);
  ByteBuilder body;
  body.Int32(static_cast<int32_t>(spec.settings.size()));
  for (int8_t s : spec.settings) body.Int8(s);
  body.TextList(spec.texts);
  const size_t checkOffsetAt = body.Size();
  body.Int32(0);
  const size_t keyCount = spec.keyTables ? spec.keyTables->size() : spec.archiveKey.size();
  body.Int32(spec.keyLength.value_or(static_cast<int32_t>(keyCount)));
  body.Int32(static_cast<int32_t>(spec.values.size()));
  for (int16_t v : spec.values) body.Int16(v);
  const size_t tablesAt = body.Size();
  body.Int32(0).Int32(0);

  // Key bytes go in reverse order after the tables, so only the tables can
  // put them back in order.
  const size_t tableAStart = body.Size();
  const size_t tableBStart = tableAStart + 2 * keyCount;
  const size_t keyStart = tableBStart + 2 * keyCount;
  std::vector<std::pair<uint16_t, uint16_t>> entries;
  if (spec.keyTables) {
    entries = *spec.keyTables;
  } else {
    for (size_t i = 0; i < keyCount; ++i) {
      size_t position = header + keyStart + (keyCount - 1 - i);
      auto b = static_cast<uint16_t>(0xFF00 + i * 97);  // sums wrap past 65535
      auto a = static_cast<uint16_t>((position - b) & 0xFFFF);
      entries.emplace_back(a, b);
    }
  }
  for (auto& e : entries) body.Uint16(e.first);
  for (auto& e : entries) body.Uint16(e.second);
  if (!spec.keyTables) {
    std::string reversed(spec.archiveKey.rbegin(), spec.archiveKey.rend());
    body.Bytes(reversed);
  }
  body.Uint8(0x11);  // a byte no field covers
  const size_t checkAt = body.Size();
  body.Uint8(spec.checkByte);

  body.PatchInt32(checkOffsetAt, spec.checkOffset.value_or(static_cast<int32_t>(header + checkAt)));
  body.PatchInt32(tablesAt, spec.tableA.value_or(static_cast<int32_t>(header + tableAStart)));
  body.PatchInt32(tablesAt + 4, spec.tableB.value_or(static_cast<int32_t>(header + tableBStart)));
  return WriteScrambledFile(DataFileKind::GameDat, body.Data(), spec.scramble);
}

void AppendDatTypeRecord(ByteBuilder& out, const DatTypeRecord& type) {
  if (type.form < 0) {
    out.Int32(type.form);
    if (type.form < -1) out.Int32(type.dataNameSource);
  }
  out.IntList(type.codes);
  const size_t rows = std::max(type.rowInts.size(), type.rowStrings.size());
  out.Int32(static_cast<int32_t>(rows));
  for (size_t r = 0; r < rows; ++r) {
    if (r < type.rowInts.size())
      for (int32_t v : type.rowInts[r]) out.Int32(v);
    if (r < type.rowStrings.size())
      for (const std::string& s : type.rowStrings[r]) out.Text(s);
  }
}

void AppendProjectTypeRecord(ByteBuilder& out, const ProjectTypeRecord& d, int format) {
  out.Text(d.typeName);
  out.TextList(d.contentNames);
  out.TextList(d.dataNames);
  out.Text(d.memo);
  if (format != 193) return;
  const size_t n = d.optionsAsGiven ? 0 : d.contentNames.size();
  auto count = [n](size_t given) { return static_cast<int32_t>(std::max(n, given)); };

  out.Int32(count(d.optionBytes.size()));
  for (size_t i = 0; i < static_cast<size_t>(count(d.optionBytes.size())); ++i)
    out.Uint8(i < d.optionBytes.size() ? d.optionBytes[i] : 0);
  out.Int32(count(d.optionTexts.size()));
  for (size_t i = 0; i < static_cast<size_t>(count(d.optionTexts.size())); ++i)
    out.Text(i < d.optionTexts.size() ? d.optionTexts[i] : "");
  out.Int32(count(d.optionTextLists.size()));
  for (size_t i = 0; i < static_cast<size_t>(count(d.optionTextLists.size())); ++i)
    out.TextList(i < d.optionTextLists.size() ? d.optionTextLists[i] : std::vector<std::string>{});
  out.Int32(count(d.optionValueLists.size()));
  for (size_t i = 0; i < static_cast<size_t>(count(d.optionValueLists.size())); ++i)
    out.IntList(i < d.optionValueLists.size() ? d.optionValueLists[i] : std::vector<int32_t>{});
  out.Int32(count(d.defaults.size()));
  for (size_t i = 0; i < static_cast<size_t>(count(d.defaults.size())); ++i)
    out.Int32(i < d.defaults.size() ? d.defaults[i] : 0);
}

std::vector<uint8_t> WriteDatabaseDat(const DatabaseFileSpec& spec) {
  ByteBuilder body;
  body.Uint8(spec.formatByte);
  body.Int32(static_cast<int32_t>(spec.types.size()));
  for (const DatTypeRecord& type : spec.types) AppendDatTypeRecord(body, type);
  body.Uint8(spec.endByte.value_or(spec.formatByte));
  return WriteScrambledFile(DataFileKind::Database, body.Data(), spec.scramble);
}

std::vector<uint8_t> WriteDatabaseProject(const DatabaseFileSpec& spec) {
  ByteBuilder out;
  out.Int32(static_cast<int32_t>(spec.definitions.size()));
  for (const ProjectTypeRecord& d : spec.definitions) AppendProjectTypeRecord(out, d, spec.formatByte);
  return out.Take();
}

void WriteDatabaseFiles(const std::filesystem::path& gameFolder, const std::string& name,
                        const DatabaseFileSpec& spec) {
  std::string relative = name;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  const std::filesystem::path base = gameFolder / "Data" / relative;
  WriteFileBytes(base.string() + ".dat", WriteDatabaseDat(spec));
  WriteFileBytes(base.string() + ".project", WriteDatabaseProject(spec));
}
