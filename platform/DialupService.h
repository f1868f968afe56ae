#pragma once
// The dial-up networking service as the program relies on it: the
// connections that exist and their state, the phone-book entries with the
// credentials stored for them, starting a dial whose progress arrives
// later, hanging up, and the text of an error code.
//
// Backends: NullDialupService (no dial-up on this machine, the default),
// NetworkManagerDialupService (mobile broadband, PPPoE and Bluetooth
// dial-up lines; platform/networkmanager, chosen at start by
// createSystemDialupService), SimulatedDialupService (tests).
//
// Threads: every operation may be called from any thread. The progress
// function given to dial() is called on a thread of the service's own, one
// event at a time, in order; it may still be called after hangUp() of that
// connection, so its receiver must cope with late events.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace karone {

// Denotes one connection of the service; kNoDialupHandle denotes none.
using DialupHandle = std::uint64_t;
inline constexpr DialupHandle kNoDialupHandle = 0;

enum class DialupState {
  Opening,         // the dial has started
  Dialling,        // the device is dialling
  Authenticating,  // credentials are being checked
  Authenticated,
  Connected,       // the link is up
  Disconnected,    // the link is down (before hang-up)
};

// Error codes of the service; 0 is no error. A real backend may report
// codes of its own beyond these; errorText() explains every code.
enum DialupError : int {
  DialupOk = 0,
  DialupUnavailable = 1,      // no dial-up service on this machine
  DialupNoSuchEntry = 2,      // the phone-book entry does not exist
  DialupNoAnswer = 3,
  DialupLineBusy = 4,
  DialupAuthenticationFailed = 5,
  DialupLineDropped = 6,
};

struct DialupConnection {
  DialupHandle handle = kNoDialupHandle;
  std::string entryName;
};

struct DialupStatus {
  bool gone = true;  // the handle no longer denotes a connection
  DialupState state = DialupState::Disconnected;
  int error = DialupOk;
};

struct DialupCredentials {
  std::string user;
  std::string password;
};

// What is dialled: the entry and the credentials to use. The entry's own
// phone numbers, callback and domain settings always apply.
struct DialupRequest {
  std::string entryName;
  std::string user;
  std::string password;
};

// One progress event of a dial: a state, or an error code other than 0
// when the dial failed.
struct DialupProgress {
  DialupState state = DialupState::Opening;
  int error = DialupOk;
};

// The phone book as read: the entry names in the service's order, or no
// names and the error that kept them from being read.
struct DialupEntries {
  std::vector<std::string> names;
  int error = DialupOk;
};

struct DialupStart {
  int error = DialupOk;  // non-zero: the dial did not start
  DialupHandle handle = kNoDialupHandle;
};

class DialupService {
 public:
  using ProgressFunction = std::function<void(const DialupProgress&)>;

  virtual ~DialupService() = default;
  // Every connection the service knows, in its order, whatever its state.
  virtual std::vector<DialupConnection> connections() = 0;
  // The state of one connection; gone when the handle denotes none.
  virtual DialupStatus status(DialupHandle handle) = 0;
  // The phone-book entries, or why they cannot be read.
  virtual DialupEntries readEntries() = 0;
  // The names of the phone-book entries, in the service's order (none when
  // they cannot be read).
  std::vector<std::string> entries() { return readEntries().names; }
  // The credentials stored with an entry; nothing when there is no such
  // entry.
  virtual std::optional<DialupCredentials> storedCredentials(const std::string& entry) = 0;
  // Starts a dial. When it starts, progress arrives through `progress`.
  virtual DialupStart dial(const DialupRequest& request, ProgressFunction progress) = 0;
  // Asks the service to take a connection down; it goes away
  // asynchronously (watch status() until it is gone). Unknown handles are
  // ignored.
  virtual void hangUp(DialupHandle handle) = 0;
  // The operator-readable text of an error code.
  virtual std::string errorText(int error) = 0;
  // Why this machine cannot dial at all, operator-readable; nothing when
  // it can (an empty phone book is not that).
  virtual std::optional<std::string> unavailableReason() { return std::nullopt; }
};

// The texts of the codes above, shared by the backends ("unknown error"
// for others).
std::string dialupErrorText(int error);

}  // namespace karone
