#pragma once

#include <string>

namespace kestro::builder {

// A screensaver made from the Linux runtime is a program for X11
// screensaver daemons too. xscreensaver finds what it says about a program
// (its name in the list, its description, its command line) in an XML file
// named after the program, which xscreensaver-settings reads from its hack
// configuration folder.

// The description of the program `programName` (its file name) titled
// `title`: it runs with -root, which draws into the daemon's window.
std::string HackDescriptionXml(const std::string& programName, const std::string& title);

// Makes the finished Linux screensaver `saverPath` executable (with the
// runtime's permissions) and writes its description beside it: its path
// plus ".xml". Answers the description's path.
// Throws EBuildError when it cannot be written.
std::string FinishLinuxScreensaver(const std::string& saverPath, const std::string& runtimePath,
                                   const std::string& title);

}  // namespace kestro::builder
