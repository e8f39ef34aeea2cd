#pragma once
// Reads a window as assistive technology does: its client area's object
// through the system's accessibility interface (AccessibleObjectFromWindow,
// IAccessible), whichever process the window belongs to.
#include <windows.h>

#include <string>
#include <vector>

struct AccessibleNode {
  std::string name;
  std::string value;
  std::string description;
  long role = 0;
  long state = 0;
  // The elements below, read down to the depth asked for.
  std::vector<AccessibleNode> children;
  // Whether an element is an object of its own (a window's, a grid row's).
  bool object = false;
};

// The object of the window's client area and its elements down to depth
// levels (0: the object alone). ok is false when the window gave none.
AccessibleNode ReadAccessible(HWND window, int depth, bool* ok = nullptr);

// The names of a node's children.
std::vector<std::string> ChildNames(const AccessibleNode& node);
