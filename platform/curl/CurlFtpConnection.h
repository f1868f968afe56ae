#pragma once
// FTP and FTPS on libcurl (see CurlFtpClient.h for how and why).
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/curl/CurlConnection.h"
#include "platform/curl/CurlFtpClient.h"

namespace karone {

std::unique_ptr<CurlConnection> makeCurlFtpConnection(const CurlFtpOptions& options,
                                                    const std::atomic<std::int64_t>& deadline);

}  // namespace karone
