#pragma once
// GStreamer is initialised once per process, on first use by any part of
// the backend, and never shut down. Thread-safe.
namespace karone {

// False when GStreamer cannot be initialised (no registry, no plugins).
bool ensureGstreamer();

}  // namespace karone
