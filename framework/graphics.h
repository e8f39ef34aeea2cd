#pragma once
// Pictures: the graphic base class every picture kind derives from, and the
// picture class with its registry of file formats. A file is loaded by the
// class registered for its extension; image plug-ins add their own formats
// to the same registry at run time.
//
// Nothing here needs Win32, so the picture code also builds natively (the
// fuzz targets use it); drawing on a device context is declared for Windows
// builds only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/exception.h"

// The system's handle types, declared as <windows.h> declares them (with
// STRICT) so that this header does not pull in the whole of it.
#ifdef _WIN32
struct HDC__;
struct HBITMAP__;
#endif

namespace framework {

class Bitmap;

// A picture that cannot be read (damaged data, an unsupported variant, a
// format without a decoder).
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

class Graphic {
 public:
  virtual ~Graphic();

  // Reads the whole file, then LoadFromBytes. Raises EInvalidGraphic for bad
  // content and Exception when the file cannot be read.
  virtual void LoadFromFile(const std::string& path);
  virtual void LoadFromBytes(std::string_view bytes) = 0;
  // Writes the picture in its own format, atomically: a refused write raises
  // EWriteRefused and leaves the previous file as it was.
  virtual void SaveToFile(const std::string& path) const;
  virtual std::string SaveToBytes() const = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }

  // The picture's pixels as a bitmap (a JPEG is decoded, a bitmap copied).
  virtual Bitmap ToBitmap() const = 0;

#ifdef _WIN32
  // Stretches the picture over the rectangle (x, y, width, height) of dc.
  virtual void Draw(HDC__* dc, int x, int y, int width, int height) const;
#endif

 protected:
  Graphic() = default;
  Graphic(const Graphic&) = default;
  Graphic& operator=(const Graphic&) = default;
};

using GraphicFactory = std::function<std::unique_ptr<Graphic>()>;

// Kinds of the built-in graphic classes, for unregistering by kind. Plug-ins
// register under a kind of their own.
inline constexpr const char* kBitmapKind = "Bitmap";
inline constexpr const char* kJpegKind = "JpegImage";
inline constexpr const char* kMetafileKind = "Metafile";
inline constexpr const char* kIconKind = "Icon";

struct FileFormat {
  std::string extension;    // without the dot, in lower case
  std::string description;  // shown in file-type lists
  std::string kind;         // the graphic class, for UnregisterGraphicKind
  GraphicFactory factory;
};

// The picture class: holds one graphic of whatever kind its file needed, and
// keeps the program-wide registry of file formats.
class Picture {
 public:
  Picture() = default;
  Picture(Picture&&) = default;
  Picture& operator=(Picture&&) = default;

  // Chooses the graphic class by the file's extension alone (case does not
  // matter; of two registrations of one extension the newer wins). Raises
  // EInvalidGraphic for an extension without a decoder, and whatever the
  // graphic raises for bad content. On failure the picture is left empty.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

  Graphic* GetGraphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<Graphic> graphic) { graphic_ = std::move(graphic); }
  void Clear() { graphic_.reset(); }
  bool Empty() const { return !graphic_ || graphic_->Empty(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // The registry. The built-in formats are registered before first use, in
  // the platform's order: metafiles ("wmf", "emf"), icons ("ico"), bitmaps
  // ("bmp"), JPEG ("jpg", "jpeg").
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const std::string& kind, GraphicFactory factory);
  // Forgets every registration of extension (without dot, any case).
  static void UnregisterFileFormat(const std::string& extension);
  // Forgets every format registered with kind.
  static void UnregisterGraphicKind(const std::string& kind);
  // The registered formats, oldest registration first.
  static std::vector<FileFormat> Formats();
  // The newest registration for extension (without dot, any case).
  static std::optional<FileFormat> FindFileFormat(const std::string& extension);
  // Creates the graphic for a file name's extension, or null when no format
  // is registered for it.
  static std::unique_ptr<Graphic> CreateGraphicFor(const std::string& fileName);
  // The file-type list: first "すべて (*.a;*.b)|*.a;*.b" with every format,
  // newest registration first, then one entry "description (*.ext)|*.ext"
  // per format in the same order; entries are joined by "|".
  static std::string GraphicFilter();
  // Restores the built-in registrations (and nothing else).
  static void ResetFileFormats();

  // The program's start-up adjustment: metafiles and icons are not pictures
  // it can use.
  static void ForgetMetafilesAndIcons();

 private:
  std::unique_ptr<Graphic> graphic_;
};

// Lower-case ASCII extension of a file name without the dot ("" for none).
std::string PictureExtension(std::string_view fileName);

#ifdef _WIN32
// A picture the system draws from the bytes of its file, kept as they are.
class SystemPicture : public Graphic {
 public:
  std::string SaveToBytes() const override { return data_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Drawn at its own size onto a white bitmap.
  Bitmap ToBitmap() const override;

 protected:
  std::string data_;
  int width_ = 0;
  int height_ = 0;
};

// The platform's vector pictures: an enhanced metafile, or a Windows
// metafile with the placeable header that gives its size. Drawn by the
// system's metafile player.
class Metafile : public SystemPicture {
 public:
  void LoadFromBytes(std::string_view bytes) override;
  void Draw(HDC__* dc, int x, int y, int width, int height) const override;

 private:
  friend struct MetafileAccess;
  bool enhanced_ = false;
};

// An icon file; the first picture of the file is used.
class Icon : public SystemPicture {
 public:
  void LoadFromBytes(std::string_view bytes) override;
  void Draw(HDC__* dc, int x, int y, int width, int height) const override;

 private:
  friend struct IconAccess;
  size_t imageOffset_ = 0;
  size_t imageSize_ = 0;
};
#endif

}  // namespace framework
