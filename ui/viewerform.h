#pragma once
// The viewer window: shows a picture of the file list.
#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace kaleidon {

class TForm4 : public framework::Form {
 public:
  TForm4();
  framework::Image* Image1;  // the picture, over the whole client area
};

}  // namespace kaleidon
