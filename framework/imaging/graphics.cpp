#include "framework/imaging/graphics.h"

#include <algorithm>

#include "framework/base/bounded.h"
#include "framework/base/paths.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"
#include "framework/imaging/jpeg.h"

namespace framework {

Graphic::~Graphic() = default;

void Graphic::LoadFromFile(const std::string& path) {
  std::optional<std::string> bytes = ReadUserFile(path, kMaxPictureFileBytes);
  if (!bytes) throw Exception(FormatText("%s を開けません", {path}));
  LoadFromBytes(*bytes);
}

void Graphic::SaveToFile(const std::string& path) const {
  if (!WriteFileAtomically(path, SaveToBytes())) throw EWriteRefused(path);
}

void Bitmap::SaveToFile(const std::string& path) const {
  if (Empty() || BitsPerPixel() < 24) {
    Graphic::SaveToFile(path);
    return;
  }
  // The rows go to the file a few hundred kilobytes at a time: a screen-sized
  // bitmap is never copied whole into a file image first.
  std::string piece = EncodeBmpHeaders(Width(), Height(), BitsPerPixel());
  const size_t pieceSize = std::max<size_t>(256 * 1024, Stride());
  FileReplacement file(path);
  bool ok = true;
  for (int y = Height() - 1; ok && y >= 0; --y) {
    if (piece.size() + Stride() > pieceSize) {
      ok = file.Write(piece);
      piece.clear();
    }
    piece.append(reinterpret_cast<const char*>(ScanLine(y)), Stride());
  }
  ok = ok && file.Write(piece) && file.Commit();
  if (!ok) throw EWriteRefused(path);
}

namespace {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<FileFormat> BuiltInFormats() {
  std::vector<FileFormat> formats;
#ifdef _WIN32
  GraphicFactory metafile = [] { return std::make_unique<Metafile>(); };
  formats.push_back({"wmf", "ﾒﾀﾌｧｲﾙ", kMetafileKind, metafile});
  formats.push_back({"emf", "拡張ﾒﾀﾌｧｲﾙ", kMetafileKind, metafile});
  formats.push_back({"ico", "ｱｲｺﾝ", kIconKind, [] { return std::make_unique<Icon>(); }});
#endif
  formats.push_back({"bmp", "ﾋﾞｯﾄﾏｯﾌﾟ", kBitmapKind, [] { return std::make_unique<Bitmap>(); }});
  GraphicFactory jpeg = [] { return std::make_unique<JpegImage>(); };
  formats.push_back({"jpg", "JPEG Image File", kJpegKind, jpeg});
  formats.push_back({"jpeg", "JPEG Image File", kJpegKind, jpeg});
  return formats;
}

std::vector<FileFormat>& AllFormats() {
  static std::vector<FileFormat> formats = BuiltInFormats();
  return formats;
}

}  // namespace

std::string PictureExtension(std::string_view fileName) {
  size_t dot = fileName.find_last_of(".\\:/");
  if (dot == std::string_view::npos || fileName[dot] != '.') return {};
  return LowerAscii(fileName.substr(dot + 1));
}

void Picture::RegisterFileFormat(const std::string& extension, const std::string& description, const std::string& kind,
                                 GraphicFactory factory) {
  std::string ext = LowerAscii(extension);
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  if (ext.empty() || !factory) throw Exception("ピクチャ形式の登録が不正です");
  AllFormats().push_back({ext, description, kind, std::move(factory)});
}

void Picture::UnregisterFileFormat(const std::string& extension) {
  std::string ext = LowerAscii(extension);
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  std::erase_if(AllFormats(), [&](const FileFormat& f) { return f.extension == ext; });
}

void Picture::UnregisterGraphicKind(const std::string& kind) {
  std::erase_if(AllFormats(), [&](const FileFormat& f) { return f.kind == kind; });
}

std::vector<FileFormat> Picture::Formats() { return AllFormats(); }

std::optional<FileFormat> Picture::FindFileFormat(const std::string& extension) {
  std::string ext = LowerAscii(extension);
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  const std::vector<FileFormat>& formats = AllFormats();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->extension == ext) return *it;
  return std::nullopt;
}

std::unique_ptr<Graphic> Picture::CreateGraphicFor(const std::string& fileName) {
  std::string ext = PictureExtension(fileName);
  if (ext.empty()) return nullptr;
  std::optional<FileFormat> format = FindFileFormat(ext);
  if (!format) return nullptr;
  return format->factory();
}

std::string Picture::GraphicFilter() {
  const std::vector<FileFormat>& formats = AllFormats();
  std::string patterns;
  std::string entries;
  for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
    std::string pattern = "*." + it->extension;
    if (!patterns.empty()) patterns += ';';
    patterns += pattern;
    entries += "|" + it->description + " (" + pattern + ")|" + pattern;
  }
  return "すべて (" + patterns + ")|" + patterns + entries;
}

void Picture::ResetFileFormats() { AllFormats() = BuiltInFormats(); }

void Picture::ForgetMetafilesAndIcons() {
  UnregisterGraphicKind(kMetafileKind);
  UnregisterGraphicKind(kIconKind);
}

void Picture::LoadFromFile(const std::string& path) {
  graphic_.reset();
  std::string ext = PictureExtension(path);
  std::unique_ptr<Graphic> graphic = CreateGraphicFor(path);
  if (!graphic) throw EInvalidGraphic(FormatText("不明な拡張子のピクチャファイルです (.%s)", {ext}));
  graphic->LoadFromFile(path);
  graphic_ = std::move(graphic);
}

void Picture::SaveToFile(const std::string& path) const {
  if (!graphic_) throw Exception("空のピクチャは保存できません");
  graphic_->SaveToFile(path);
}

}  // namespace framework
