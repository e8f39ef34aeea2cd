#include "support/measure.h"

#include "framework/base/text.h"

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

int TextWidth(const framework::Control& control) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, control.FontObject());
  std::wstring text = framework::Widen(control.Text());
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return r.right;
}
