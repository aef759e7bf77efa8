#include "app/widgets/folder_path_rule.h"

#include <QList>
#include <QStringView>

#include "app/ui/sjis_text.h"

namespace shell {
namespace {

bool IsValidComponent(QStringView name) {
    if (name.isEmpty() || name == u"." || name == u"..") return false;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
        switch (c.unicode()) {
        case u'\\': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|': case u':':
            return false;
        default:
            break;
        }
    }
    return name.front() != u' ' && name.back() != u' ' && name.back() != u'.';
}

}  // namespace

bool IsValidFolderPath(const QString& path) {
    if (!path.startsWith(u'/')) return false;
    if (path.size() == 1) return true;
    if (path.endsWith(u'/')) return false;
    if (ui::ToPath(path).size() > kMaxFolderPathBytes) return false;
    for (QStringView name : QStringView(path).mid(1).split(u'/'))
        if (!IsValidComponent(name)) return false;
    return true;
}

}  // namespace shell
