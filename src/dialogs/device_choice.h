#pragma once
// The "Other device" choice of both port dialogs: a radio button beside Com 1
// to Com 4 and an editable list of the serial devices present, so that a USB
// serial adapter is chosen by its path (or any path is typed). Choosing or
// typing a device ticks "Other device"; OK with it ticked and no path refuses
// with a message and keeps the dialog open.

#include <wx/sizer.h>

#include <string>
#include <vector>

// The port number that stands for "Other device" in a dialog's port field.
constexpr int kOtherDevicePort = 5;

// The serial devices present, in this order: /dev/serial/by-id/* (names that
// say what the adapter is), /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*; each group
// sorted by name with numbers in numeric order.
std::vector<std::string> SerialDevicesPresent();

// Adds the radio button kIdComOther ("Other device") to `radioParent`'s
// `sizer`, with the device list under it, both exchanging their values with
// `*portNumber` (kOtherDevicePort when ticked) and `*path`.
void AddOtherDevice(wxWindow* radioParent, wxSizer* sizer, int32_t* portNumber, std::string* path);
