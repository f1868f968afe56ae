#include "platform/ConnectorType.h"

#include "resources/Texts.h"

namespace karone {

std::string videoSourceName(int connectorType) {
  switch (connectorType) {
    case connector::kTuner: return text(Text::VideoSourceTuner);
    case connector::kComposite: return text(Text::VideoSourceComposite);
    case connector::kSVideo: return text(Text::VideoSourceSVideo);
    default: return {};
  }
}

}  // namespace karone
