#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"
#include "support/tempdir.h"

using namespace framework;

namespace {

std::string SourceFile(const std::string& relative) {
  std::string path = std::string("Z:") + KALEIDON_SOURCE_DIR + "/" + relative;
  std::replace(path.begin(), path.end(), '/', '\\');
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) ADD_FAILURE() << "missing " << relative;
  return bytes.value_or("");
}

std::vector<std::string> Extensions() {
  std::vector<std::string> out;
  for (const FileFormat& f : Picture::Formats()) out.push_back(f.extension);
  return out;
}

// A plug-in's picture kind: a bitmap that remembers which registration made it.
class TaggedBitmap : public Bitmap {
 public:
  explicit TaggedBitmap(std::string tag) : tag(std::move(tag)) {}
  std::string tag;
};

class PictureRegistry : public testing::Test {
 protected:
  void SetUp() override { Picture::ResetFileFormats(); }
  void TearDown() override { Picture::ResetFileFormats(); }
  TempDir dir;
};

// An enhanced metafile with a red rectangle, made by the system.
std::string MakeEnhancedMetafile() {
  HDC reference = GetDC(nullptr);
  RECT frame{0, 0, 2000, 1000};  // 20 x 10 mm
  HDC dc = CreateEnhMetaFileW(reference, nullptr, &frame, nullptr);
  ReleaseDC(nullptr, reference);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all{0, 0, 4000, 4000};
  FillRect(dc, &all, red);
  DeleteObject(red);
  HENHMETAFILE handle = CloseEnhMetaFile(dc);
  std::string bytes(GetEnhMetaFileBits(handle, 0, nullptr), '\0');
  GetEnhMetaFileBits(handle, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(handle);
  return bytes;
}

}  // namespace

TEST_F(PictureRegistry, StartsWithThePlatformFormatsAndForgetsMetafilesAndIcons) {
  EXPECT_EQ(Extensions(), (std::vector<std::string>{"wmf", "emf", "ico", "bmp", "jpg", "jpeg"}));
  // Icons and metafiles really load while they are registered.
  dir.WriteFile("program.ico", SourceFile("resources/kaleidon.ico"));
  dir.WriteFile("drawing.emf", MakeEnhancedMetafile());
  Picture icon;
  icon.LoadFromFile(dir.PathOf("program.ico"));
  EXPECT_GT(icon.Width(), 0);
  EXPECT_EQ(icon.GetGraphic()->ToBitmap().Width(), icon.Width());
  Picture metafile;
  metafile.LoadFromFile(dir.PathOf("drawing.emf"));
  ASSERT_GT(metafile.Width(), 10);
  Bitmap drawn = metafile.GetGraphic()->ToBitmap();
  Rgb centre = drawn.PixelColor(drawn.Width() / 2, drawn.Height() / 2);
  EXPECT_GT(centre.red, 200);
  EXPECT_LT(centre.green, 60);

  Picture::ForgetMetafilesAndIcons();
  EXPECT_EQ(Extensions(), (std::vector<std::string>{"bmp", "jpg", "jpeg"}));
  EXPECT_EQ(Picture::GraphicFilter(),
            "すべて (*.jpeg;*.jpg;*.bmp)|*.jpeg;*.jpg;*.bmp|JPEG Image File (*.jpeg)|*.jpeg|"
            "JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp");
  Picture again;
  EXPECT_THROW(again.LoadFromFile(dir.PathOf("program.ico")), EInvalidGraphic);
  EXPECT_THROW(again.LoadFromFile(dir.PathOf("drawing.emf")), EInvalidGraphic);
  EXPECT_TRUE(again.Empty());
}

TEST_F(PictureRegistry, NewFormatsComeFirstInTheFilterAndCanBeRemovedAgain) {
  Picture::ForgetMetafilesAndIcons();
  const std::string before = Picture::GraphicFilter();
  Picture::RegisterFileFormat("LZH", "ｱｰｶｲﾌﾞﾌｧｲﾙ", "Archive", [] { return std::make_unique<Bitmap>(); });
  EXPECT_EQ(Picture::GraphicFilter(),
            "すべて (*.lzh;*.jpeg;*.jpg;*.bmp)|*.lzh;*.jpeg;*.jpg;*.bmp|ｱｰｶｲﾌﾞﾌｧｲﾙ (*.lzh)|*.lzh|"
            "JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp");
  Picture::UnregisterFileFormat("lzh");
  EXPECT_EQ(Picture::GraphicFilter(), before);
  EXPECT_THROW(Picture::RegisterFileFormat("", "x", "k", [] { return std::make_unique<Bitmap>(); }), Exception);
}

TEST_F(PictureRegistry, LoadingChoosesTheClassByTheExtensionAloneInAnyCase) {
  Picture::ForgetMetafilesAndIcons();
  const std::string jpeg = SourceFile("tests/fixtures/pictures/photo.jpg");
  const std::string bmp = SourceFile("tests/fixtures/pictures/sixteen-24.bmp");
  dir.WriteFile("PHOTO.JpG", jpeg);
  dir.WriteFile("photo.jpeg", jpeg);
  dir.WriteFile("Picture.BMP", bmp);
  dir.WriteFile("bitmap-named.jpg", bmp);
  dir.WriteFile("photo.xyz", jpeg);
  dir.WriteFile("noextension", jpeg);

  Picture p;
  p.LoadFromFile(dir.PathOf("PHOTO.JpG"));
  EXPECT_NE(dynamic_cast<JpegImage*>(p.GetGraphic()), nullptr);
  EXPECT_EQ(p.Width(), 77);
  p.LoadFromFile(dir.PathOf("photo.jpeg"));
  EXPECT_NE(dynamic_cast<JpegImage*>(p.GetGraphic()), nullptr);
  p.LoadFromFile(dir.PathOf("Picture.BMP"));
  EXPECT_NE(dynamic_cast<Bitmap*>(p.GetGraphic()), nullptr);
  EXPECT_EQ(p.Width(), 29);

  // The content does not choose the decoder: a bitmap called .jpg fails.
  EXPECT_THROW(p.LoadFromFile(dir.PathOf("bitmap-named.jpg")), EInvalidGraphic);
  EXPECT_TRUE(p.Empty());
  EXPECT_THROW(p.LoadFromFile(dir.PathOf("photo.xyz")), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromFile(dir.PathOf("noextension")), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromFile(dir.PathOf("missing.bmp")), Exception);
}

TEST_F(PictureRegistry, PlugInKindsOverrideOlderRegistrationsAndLeaveTogether) {
  Picture::ForgetMetafilesAndIcons();
  Picture::RegisterFileFormat("pic", "PIC", "PlugIn", [] { return std::make_unique<TaggedBitmap>("pic"); });
  Picture::RegisterFileFormat("BMP", "Plug-in BMP", "PlugIn", [] { return std::make_unique<TaggedBitmap>("bmp"); });
  dir.WriteFile("a.bmp", SourceFile("tests/fixtures/pictures/sixteen-24.bmp"));
  Picture p;
  p.LoadFromFile(dir.PathOf("a.bmp"));
  auto* tagged = dynamic_cast<TaggedBitmap*>(p.GetGraphic());
  ASSERT_NE(tagged, nullptr);
  EXPECT_EQ(tagged->tag, "bmp");

  Picture::UnregisterGraphicKind("PlugIn");
  EXPECT_EQ(Extensions(), (std::vector<std::string>{"bmp", "jpg", "jpeg"}));
  p.LoadFromFile(dir.PathOf("a.bmp"));
  EXPECT_EQ(dynamic_cast<TaggedBitmap*>(p.GetGraphic()), nullptr);
}

// A file larger than any picture the program holds is refused before any of
// it is read: a 32-bit program could not even hold its bytes.
TEST(PictureFiles, AFileBeyondTheLargestPictureIsRefusedUnread) {
  TempDir dir;
  for (const char* name : {"huge.bmp", "huge.jpg"}) {
    HANDLE file = CreateFileW(Widen(dir.PathOf(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(kMaxPictureFileBytes) + 1;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
    Picture picture;
    try {
      picture.LoadFromFile(dir.PathOf(name));
      ADD_FAILURE() << name << " was read";
    } catch (const EFileTooLarge& e) {
      EXPECT_EQ(e.Message(), dir.PathOf(name) + " は大きすぎて読めません");
    }
  }
  // At the limit itself a file is read.
  dir.WriteFile("small.bin", "12345");
  EXPECT_EQ(ReadWholeFile(dir.PathOf("small.bin"), 5), "12345");
  EXPECT_THROW(ReadWholeFile(dir.PathOf("small.bin"), 4), EFileTooLarge);
}
