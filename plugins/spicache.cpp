#include "plugins/spicache.h"

#include <windows.h>

#include <charconv>
#include <vector>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr std::string_view kFirstLine = "Kaleidon plug-in formats 2";

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

bool Number(std::string_view text, uint64_t& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool Kept(SPIHostStatus status) { return status == SPIHostStatus::Answered || status == SPIHostStatus::NoPluginInfo; }

}  // namespace

std::optional<SPIFileStamp> ReadFileStamp(const std::string& path) {
  HANDLE file = CreateFileW(framework::Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool read = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!read) return std::nullopt;
  SPIFileStamp stamp;
  stamp.size = uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
  stamp.writeTime = uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.index = uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
  return stamp;
}

SPIFormatCache::SPIFormatCache(std::string path) : path_(std::move(path)) { Read(); }

void SPIFormatCache::Read() {
  std::optional<std::string> text;
  try {
    text = framework::ReadStoredFile(path_);
  } catch (const framework::EReadRefused&) {
    // Held by another program: the plug-ins are asked this time, and what
    // they say is not written over a file this run never read.
    unread_ = true;
  }
  if (!text) return;
  std::vector<std::string_view> lines;
  for (std::string_view rest = *text; !rest.empty();) {
    size_t end = rest.find('\n');
    lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  if (lines.empty() || lines[0] != kFirstLine) return;
  std::map<std::string, Entry> entries;
  for (size_t i = 1; i < lines.size();) {
    std::vector<std::string_view> f = Fields(lines[i++]);
    uint64_t volume = 0, status = 0, entryPoints = 0, count = 0;
    Entry entry;
    if (f.size() != 11 || f[0] != "P" || !Number(f[2], entry.stamp.size) || !Number(f[3], entry.stamp.writeTime) ||
        !Number(f[4], volume) || volume > UINT32_MAX || !Number(f[5], entry.stamp.index) || !Number(f[6], status) ||
        !Number(f[7], entryPoints) || !Number(f[10], count) || !Kept(static_cast<SPIHostStatus>(status)) ||
        count > kMaxPluginFormats || count > lines.size() - i)
      return;
    entry.stamp.volume = static_cast<uint32_t>(volume);
    SPIDescription& d = entry.described;
    d.status = static_cast<SPIHostStatus>(status);
    d.entryPoints = static_cast<uint32_t>(entryPoints);
    d.version = PluginListText(f[8]);
    d.description = PluginListText(f[9]);
    for (uint64_t k = 0; k < count; ++k) {
      std::vector<std::string_view> format = Fields(lines[i++]);
      if (format.size() != 3 || format[0] != "F") return;
      d.formats.emplace_back(PluginListText(format[1]), PluginListText(format[2]));
    }
    entries[std::string(f[1])] = std::move(entry);
  }
  entries_ = std::move(entries);
}

std::optional<SPIDescription> SPIFormatCache::Find(const std::string& pluginPath, const SPIFileStamp& stamp) const {
  auto found = entries_.find(pluginPath);
  if (found == entries_.end()) return std::nullopt;
  const SPIFileStamp& kept = found->second.stamp;
  // Another file put in its place may have the same size and time.
  if (kept.size != stamp.size || kept.writeTime != stamp.writeTime || !kept.SameFile(stamp)) return std::nullopt;
  return found->second.described;
}

void SPIFormatCache::Store(const std::string& pluginPath, const SPIFileStamp& stamp, const SPIDescription& described) {
  if (!Kept(described.status) || pluginPath.find_first_of("\t\n") != std::string::npos) return;
  entries_[pluginPath] = Entry{stamp, described};
  changed_ = true;
}

void SPIFormatCache::Save() {
  if (!changed_ || unread_) return;
  std::string text(kFirstLine);
  text += '\n';
  for (const auto& [path, entry] : entries_) {
    if (!framework::FileExists(path)) continue;
    const SPIDescription& d = entry.described;
    const SPIFileStamp& s = entry.stamp;
    text += "P\t" + path + "\t" + std::to_string(s.size) + "\t" + std::to_string(s.writeTime) + "\t" +
            std::to_string(s.volume) + "\t" + std::to_string(s.index) + "\t" +
            std::to_string(static_cast<uint32_t>(d.status)) + "\t" + std::to_string(d.entryPoints) + "\t" +
            d.version + "\t" + d.description + "\t" + std::to_string(d.formats.size()) + "\n";
    for (const auto& [filter, fileType] : d.formats) text += "F\t" + filter + "\t" + fileType + "\n";
  }
  if (framework::WriteFileAtomically(path_, text)) changed_ = false;
}

}  // namespace kaleidon
