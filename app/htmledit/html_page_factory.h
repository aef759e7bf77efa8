#pragma once
// The HTML mail pages as the composing dialog makes them (compose::HtmlPageFactory): the
// program installs MakeHtmlMailPage as the dialog's makeHtmlPage hook.

#include <memory>

#include "app/compose/mail_page_interface.h"

namespace htmledit {

// The page of `format` (compose::HtmlPageFormat); null for a format this library has no
// page for yet.
std::unique_ptr<compose::HtmlMailPage> MakeHtmlMailPage(int format);

}  // namespace htmledit
