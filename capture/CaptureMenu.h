#pragma once
// The capture window's context menu as data: the window draws it as it is
// and sends back the command of the chosen item. Built afresh for every
// showing from the state of the capture graph and the session.
//
// A plain value; any thread.
#include <string>
#include <vector>

namespace karone {

struct CaptureMenuItem {
  int command = 0;        // 0 for a separator or a submenu
  std::string text;
  bool enabled = true;
  bool checked = false;
  bool separator = false;
  std::vector<CaptureMenuItem> submenu;  // a popup when not empty (or when greyed)
  bool isSubmenu = false;

  bool operator==(const CaptureMenuItem&) const = default;
};

struct CaptureMenu {
  std::vector<CaptureMenuItem> items;  // empty: no menu appears
};

// Commands of the menu.
namespace capturemenu {
inline constexpr int kPreview = 32790;
inline constexpr int kSize160x120 = 32791;
inline constexpr int kSize176x144 = 32792;
inline constexpr int kSize320x240 = 32793;
inline constexpr int kVideoSource = 32770;      // the popup's place
inline constexpr int kColourSettings = 32798;
inline constexpr int kCaptureSettings = 32789;
inline constexpr int kAbout = 16;
inline constexpr int kNetworkCameras = 32799;  // our own: the network cameras dialog
inline constexpr int kVideoSourceBase = 15500;  // + connector type
inline constexpr int kDeviceBase = 16000;       // + device position
inline constexpr int kRangeSize = 400;          // commands in each of the two ranges
}  // namespace capturemenu

}  // namespace karone
