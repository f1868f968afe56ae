#include "platform/DialupService.h"

#include "resources/Texts.h"

namespace karone {

std::string dialupErrorText(int error) {
  switch (error) {
    case DialupUnavailable:
      return text(Text::DialupErrorUnavailable);
    case DialupNoSuchEntry:
      return text(Text::DialupErrorNoSuchEntry);
    case DialupNoAnswer:
      return text(Text::DialupErrorNoAnswer);
    case DialupLineBusy:
      return text(Text::DialupErrorLineBusy);
    case DialupAuthenticationFailed:
      return text(Text::DialupErrorAuthentication);
    case DialupLineDropped:
      return text(Text::DialupErrorLineDropped);
    default:
      return text(Text::DialupErrorUnknown);
  }
}

}  // namespace karone
