#pragma once
// The files the program keeps (the settings file, the back list, the
// histories) when one cannot be read or written: the user is told once per
// run and file, with the file's name, and the program goes on with what it
// has. A file that could not be read is left as it is.
#include "framework/base/exception.h"
#include "framework/base/notices.h"

namespace kaleidon {

void ReportStoreProblem(framework::Notices& notices, const framework::EReadRefused& refused);
void ReportStoreProblem(framework::Notices& notices, const framework::EWriteRefused& refused);

// Runs store, a step that reads or writes a kept file; a refused read or
// write is reported so and ends only that step.
template <class Store>
void StoreOrReport(framework::Notices& notices, Store&& store) {
  try {
    store();
  } catch (const framework::EReadRefused& e) {
    ReportStoreProblem(notices, e);
  } catch (const framework::EWriteRefused& e) {
    ReportStoreProblem(notices, e);
  }
}

}  // namespace kaleidon
