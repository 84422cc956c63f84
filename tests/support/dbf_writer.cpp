#include "tests/support/dbf_writer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "tests/support/dbf_writer_bytes.h"

namespace shelvex::testing {

namespace fs = std::filesystem;
using dbf_bytes::PutBe;
using dbf_bytes::PutLe;

namespace {

bool IsMemoType(DbfFlavor flavor, char type) {
  switch (type) {
    case 'M':
    case 'G':
    case 'P':
    case 'W':
      return true;
    case 'B':
      return flavor != DbfFlavor::kVisualFoxPro;  // a double there
    default:
      return false;
  }
}

void Write(std::FILE* file, const void* data, std::size_t size, const fs::path& path) {
  if (size != 0 && std::fwrite(data, 1, size, file) != size) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

std::FILE* Create(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb+");
  if (file == nullptr) throw std::runtime_error("cannot create " + path.string());
  std::setvbuf(file, nullptr, _IOFBF, 1 << 20);
  return file;
}

}  // namespace

DbfWriter::DbfWriter(fs::path table_path, DbfFlavor flavor, std::vector<DbfFieldSpec> fields,
                     DbfWriterOptions options)
    : table_path_(std::move(table_path)), flavor_(flavor), options_(std::move(options)) {
  for (DbfFieldSpec& definition : fields) fields_.push_back({std::move(definition)});
  Layout();
  BuildHeader();
  table_ = Create(table_path_);
  Write(table_, header_.data(), header_.size(), table_path_);
  const bool has_memo = std::any_of(fields_.begin(), fields_.end(), [&](const Field& f) {
    return IsMemoType(flavor_, f.definition.type);
  });
  if (has_memo) {
    const bool foxpro = flavor_ == DbfFlavor::kFoxPro2 || flavor_ == DbfFlavor::kVisualFoxPro;
    const std::string extension = table_path_.extension().string();
    const bool upper =
        !extension.empty() && std::isupper(static_cast<unsigned char>(extension.back()));
    memo_path_ = table_path_;
    memo_path_.replace_extension(foxpro ? (upper ? ".FPT" : ".fpt") : (upper ? ".DBT" : ".dbt"));
    memo_block_size_ =
        options_.memo_block_size != 0 ? options_.memo_block_size : (foxpro ? 64 : 512);
    next_memo_block_ = (512 + memo_block_size_ - 1) / memo_block_size_;
    memo_ = Create(memo_path_);
    const std::string header(static_cast<std::size_t>(next_memo_block_) * memo_block_size_, '\0');
    Write(memo_, header.data(), header.size(), memo_path_);
  }
  ClearRecord();
}

DbfWriter::~DbfWriter() {
  try {
    Finish();
  } catch (const std::exception&) {
    // A destructor cannot report; tests call Finish() themselves when they care.
  }
}

void DbfWriter::Layout() {
  const bool vfp = flavor_ == DbfFlavor::kVisualFoxPro;
  int bits = 0;
  for (Field& f : fields_) {
    DbfFieldSpec& s = f.definition;
    if (s.length < 0) {
      switch (s.type) {
        case 'D':
          s.length = 8;
          break;
        case 'L':
          s.length = 1;
          break;
        case 'I':
        case '+':
          s.length = 4;
          break;
        case 'O':
        case '@':
        case 'T':
        case 'Y':
          s.length = 8;
          break;
        case 'B':
          s.length = vfp ? 8 : 10;
          break;
        case 'M':
        case 'G':
        case 'P':
        case 'W':
          s.length = vfp ? 4 : 10;
          break;
        default:
          throw std::runtime_error("field " + s.name + " needs a length");
      }
    }
    if (vfp && (s.type == 'V' || s.type == 'Q')) f.varlength_bit = bits++;
    if (vfp && (s.flags & 0x02) != 0) f.null_bit = bits++;
  }
  if (bits > 0) {
    null_flags_field_ = static_cast<int>(fields_.size());
    fields_.push_back({DbfFieldSpec{"_NullFlags", '0', (bits + 7) / 8, 0, 0x05}});
  }
  for (Field& f : fields_) {
    f.offset = record_length_;
    record_length_ += static_cast<std::uint32_t>(f.definition.length);
  }
}

void DbfWriter::BuildHeader() {
  const bool level7 = flavor_ == DbfFlavor::kDbase7;
  const bool vfp = flavor_ == DbfFlavor::kVisualFoxPro;
  const bool has_memo = std::any_of(fields_.begin(), fields_.end(), [&](const Field& f) {
    return IsMemoType(flavor_, f.definition.type);
  });
  const std::size_t descriptor = level7 ? 48 : 32;
  const std::size_t start = level7 ? 68 : 32;
  std::size_t required = 0;
  for (const Field& f : fields_) required += f.definition.required ? 1 : 0;
  const std::size_t properties = level7 && required > 0 ? 16 + 15 * required : 0;
  header_.assign(start + descriptor * fields_.size() + 1 + (vfp ? 263 : 0) + properties, '\0');

  std::uint8_t version = 0x03;
  switch (flavor_) {
    case DbfFlavor::kDbase3:
      version = has_memo ? 0x83 : 0x03;
      break;
    case DbfFlavor::kDbase4:
      version = has_memo ? 0x8B : 0x03;
      break;
    case DbfFlavor::kDbase7:
      version = has_memo ? 0x8C : 0x04;
      break;
    case DbfFlavor::kFoxPro2:
      version = has_memo ? 0xF5 : 0x03;
      break;
    case DbfFlavor::kVisualFoxPro: {
      const bool varying = std::any_of(fields_.begin(), fields_.end(), [](const Field& f) {
        return f.definition.type == 'V' || f.definition.type == 'Q';
      });
      const bool autoinc = std::any_of(fields_.begin(), fields_.end(), [](const Field& f) {
        return (f.definition.flags & 0x0C) == 0x0C;
      });
      version = varying ? 0x32 : autoinc ? 0x31 : 0x30;
      break;
    }
  }
  header_[0] = static_cast<char>(options_.version.value_or(version));
  header_[1] = 124;  // 2024-01-01
  header_[2] = 1;
  header_[3] = 1;
  PutLe(&header_[8], header_.size(), 2);
  PutLe(&header_[10], record_length_, 2);
  if (vfp && has_memo) header_[28] = 0x02;
  header_[29] = static_cast<char>(options_.language_driver);
  if (level7)
    std::memcpy(&header_[32], options_.driver_name.data(),
                std::min<std::size_t>(31, options_.driver_name.size()));

  std::size_t at = start;
  for (const Field& f : fields_) {
    const DbfFieldSpec& s = f.definition;
    std::memcpy(&header_[at], s.name.data(),
                std::min<std::size_t>(level7 ? 31 : 10, s.name.size()));
    const std::size_t type_at = at + (level7 ? 32 : 11);
    header_[type_at] = s.type;
    if (level7) {
      header_[at + 33] = static_cast<char>(s.length);
      header_[at + 34] = static_cast<char>(s.decimals);
      if (s.type == '+') PutLe(&header_[at + 40], 1, 4);
    } else {
      if (vfp) PutLe(&header_[at + 12], f.offset, 4);
      header_[at + 16] = static_cast<char>(s.length & 0xFF);
      header_[at + 17] = static_cast<char>(s.decimals);
      if (vfp) header_[at + 18] = static_cast<char>(s.flags);
      if (vfp && (s.flags & 0x0C) == 0x0C) {
        PutLe(&header_[at + 19], 1, 4);  // next value
        header_[at + 23] = 1;            // step
      }
    }
    at += descriptor;
  }
  header_[at] = 0x0D;
  if (properties > 0) {
    char* p = &header_[at + 1];
    PutLe(p, required, 2);
    PutLe(p + 2, 16, 2);
    for (int k : {6, 10, 12, 14}) PutLe(p + k, properties, 2);
    std::size_t d = 16;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      if (!fields_[i].definition.required) continue;
      PutLe(p + d + 2, i + 1, 2);
      p[d + 4] = 0x01;  // required
      p[d + 6] = 0x02;
      d += 15;
    }
  }
}

std::uint32_t DbfWriter::AppendMemo(const Field& field, std::string_view bytes) {
  if (memo_ == nullptr) throw std::logic_error("field " + field.definition.name + " is not a memo field");
  std::string block;
  if (flavor_ == DbfFlavor::kDbase3) {
    block.assign(bytes);
    block += "\x1A\x1A";
  } else if (flavor_ == DbfFlavor::kFoxPro2 || flavor_ == DbfFlavor::kVisualFoxPro) {
    block.assign(8, '\0');
    PutBe(&block[0], field.definition.type == 'M' ? 1 : field.definition.type == 'P' ? 0 : 2, 4);
    PutBe(&block[4], bytes.size(), 4);
    block.append(bytes);
  } else {
    block = std::string("\xFF\xFF\x08\x00", 4) + std::string(4, '\0');
    PutLe(&block[4], bytes.size() + 8, 4);
    block.append(bytes);
  }
  const std::size_t blocks = (block.size() + memo_block_size_ - 1) / memo_block_size_;
  block.resize(blocks * memo_block_size_, '\0');
  Write(memo_, block.data(), block.size(), memo_path_);
  const std::uint32_t first = next_memo_block_;
  next_memo_block_ += static_cast<std::uint32_t>(blocks);
  return first;
}

void DbfWriter::EndRecord(bool deleted) {
  record_[0] = deleted ? '*' : ' ';
  Write(table_, record_.data(), record_.size(), table_path_);
  ++records_;
  ClearRecord();
}

void DbfWriter::Finish() {
  if (table_ == nullptr) return;
  Write(table_, "\x1A", 1, table_path_);
  PutLe(&header_[4], records_, 4);
  std::fseek(table_, 0, SEEK_SET);
  Write(table_, header_.data(), header_.size(), table_path_);
  const bool table_ok = std::fclose(table_) == 0;
  table_ = nullptr;
  if (!table_ok) throw std::runtime_error("cannot write " + table_path_.string());
  if (memo_ == nullptr) return;
  char header[22] = {};
  const bool foxpro = flavor_ == DbfFlavor::kFoxPro2 || flavor_ == DbfFlavor::kVisualFoxPro;
  if (foxpro) {
    PutBe(header, next_memo_block_, 4);
    PutBe(header + 6, memo_block_size_, 2);
  } else {
    PutLe(header, next_memo_block_, 4);
    if (flavor_ != DbfFlavor::kDbase3) {
      const std::string stem = table_path_.stem().string();
      std::memcpy(header + 8, stem.data(), std::min<std::size_t>(8, stem.size()));
      PutLe(header + 20, memo_block_size_, 2);
    }
  }
  std::fseek(memo_, 0, SEEK_SET);
  Write(memo_, header, sizeof header, memo_path_);
  const bool memo_ok = std::fclose(memo_) == 0;
  memo_ = nullptr;
  if (!memo_ok) throw std::runtime_error("cannot write " + memo_path_.string());
}

void PatchFile(const fs::path& path, std::uint64_t offset, std::string_view bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot patch " + path.string());
}

}  // namespace shelvex::testing
