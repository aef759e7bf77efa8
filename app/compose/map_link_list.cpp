#include "app/compose/map_link_list.h"

namespace compose {

MapLinkList& MapLinkList::Get() {
    static MapLinkList list;
    return list;
}

}  // namespace compose
