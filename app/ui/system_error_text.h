#pragma once
// The system's reason for a failed file operation, as a message tells the person: a short
// Japanese sentence for the reasons a person can act on (no permission, no space, a
// read-only disk ...), followed by the system's own words, which a person can look up or
// pass on: "書き込む権限がありません (Permission denied)". Any other error number gives
// the system's words alone; 0 (no reason known) gives "".

#include <QString>

namespace ui {

QString SystemErrorText(int error);

}  // namespace ui
