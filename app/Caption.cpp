#include "app/Caption.h"

#include "platform/TextCodec.h"

namespace karone {

bool captionFits(std::string_view utf8) {
  return textcodec::cp932Length(utf8) <= kCaptionMaxBytes;
}

}  // namespace karone
