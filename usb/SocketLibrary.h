// Back end for emulated boxes: each device is a Unix-domain stream socket
// that speaks the frame protocol of docs/emulated-usb.md.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "UsbLibrary.h"

namespace usb {

inline constexpr const char* kEmulatorVariable = "VORTILAN2_EMULATOR";

// The socket paths named by VORTILAN2_EMULATOR; empty when it is unset or empty.
std::vector<std::string> emulatorPaths();
std::vector<std::string> splitPathList(std::string_view list);

std::unique_ptr<Library> createSocketLibrary(std::vector<std::string> paths);

}  // namespace usb
