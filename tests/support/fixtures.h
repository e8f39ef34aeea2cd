#pragma once
// Files the tests read from the source tree and the build.
#include <string>

// A Linux path, as Wine sees it (Z:\...).
std::string WindowsPathOf(const std::string& unixPath);

// The bytes of tests/fixtures/pictures/<name>; an empty string (and a test
// failure) when it is missing.
std::string PictureFixture(const std::string& name);
// A file the test build made, relative to the build folder, as a Windows path.
std::string BuildOutputPath(const std::string& relative);

// Binds the test build's UNLHA32.DLL as the program binds the real library
// (a test failure when it cannot be loaded).
// The test build's archive library, reporting through the application's
// message box.
void BindFixtureArchiveLibrary();
