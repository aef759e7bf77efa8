#include "app/ui/system_error_text.h"

#include "app/ui/sjis_text.h"
#include "core/foundation/system_reason.h"

namespace ui {

QString SystemErrorText(int error) { return FromSjis(SystemReasonText(error)); }

}  // namespace ui
