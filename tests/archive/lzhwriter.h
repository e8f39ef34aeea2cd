#pragma once
// Writes small LZH archives byte by byte with stored (-lh0-) members, for
// member names no archiver would write (such as "..\..\x.bmp"). Names are the
// archive's own bytes (ANSI).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class LzhWriter {
 public:
  // A level-0 header: the name field holds the whole name with '\'.
  void AddLevel0(const std::string& name, const std::string& data) {
    std::string h;
    h += "-lh0-";
    Put32(h, static_cast<uint32_t>(data.size()));
    Put32(h, static_cast<uint32_t>(data.size()));
    Put32(h, 0x5A210000);  // MS-DOS time stamp
    h += '\x20';           // attribute
    h += '\x00';           // header level
    h += static_cast<char>(name.size());
    h += name;
    Put16(h, Crc16(data));
    uint8_t sum = 0;
    for (char c : h) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    bytes_ += static_cast<char>(h.size());
    bytes_ += static_cast<char>(sum);
    bytes_ += h + data;
  }

  // A level-2 header with a file-name and, when there are folders, a path
  // extended header (each folder followed by 0xFF).
  void AddLevel2(const std::vector<std::string>& folders, const std::string& fileName, const std::string& data) {
    std::string ext;
    Put16(ext, static_cast<uint16_t>(3 + fileName.size()));
    ext += '\x01';
    ext += fileName;
    std::string path;
    for (const std::string& folder : folders) path += folder + '\xFF';
    Put16(ext, path.empty() ? 0 : static_cast<uint16_t>(3 + path.size()));
    if (!path.empty()) {
      ext += '\x02';
      ext += path;
      Put16(ext, 0);
    }
    std::string h;
    h += "-lh0-";
    Put32(h, static_cast<uint32_t>(data.size()));
    Put32(h, static_cast<uint32_t>(data.size()));
    Put32(h, 1700000000);  // Unix time stamp
    h += '\x20';
    h += '\x02';
    Put16(h, Crc16(data));
    h += 'M';
    size_t total = 2 + h.size() + ext.size();
    if ((total & 0xFF) == 0) throw std::logic_error("a level-2 header size may not end in a zero byte");
    Put16(bytes_, static_cast<uint16_t>(total));
    bytes_ += h + ext + data;
  }

  // The archive with its end mark.
  std::string Bytes() const { return bytes_ + '\0'; }

  static uint16_t Crc16(const std::string& data) {
    uint16_t crc = 0;
    for (char c : data) {
      crc ^= static_cast<uint8_t>(c);
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
  }

 private:
  static void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  static void Put32(std::string& s, uint32_t v) {
    Put16(s, static_cast<uint16_t>(v & 0xFFFF));
    Put16(s, static_cast<uint16_t>(v >> 16));
  }
  std::string bytes_;
};
