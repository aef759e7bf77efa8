#pragma once
// The system's reason for a failed file operation, as a message of a window tells the
// person: the core's SystemReasonText (one table of phrases for the core and the windows),
// e.g. 「アクセスが許可されていません (Permission denied)」; 0 (no reason known) gives "".

#include <QString>

namespace ui {

QString SystemErrorText(int error);

}  // namespace ui
