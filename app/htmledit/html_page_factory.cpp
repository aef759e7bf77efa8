#include "app/htmledit/html_page_factory.h"

#include "app/htmledit/pc_html_page.h"

namespace htmledit {

std::unique_ptr<compose::HtmlMailPage> MakeHtmlMailPage(int format) {
    switch (format) {
        case compose::kHtmlPagePc: return std::make_unique<CMailEditPageHtmlPc>();
        default: return nullptr;
    }
}

}  // namespace htmledit
