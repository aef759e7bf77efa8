// RunExtraction: the three-group union of a condition set.
#include "core/addressbook/extraction_run.h"

#include <vector>

#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_result_detail.h"

int RunExtraction(ExtractAction& conditions, ExtractResultDetail& result, const std::function<bool()>& checkpoint,
                  CErrMsg* error) {
    auto fail = [&](int code, CErrMsg& from) {
        if (error != nullptr) *error = from;
        result.ALLRemoveDBID();
        return code;
    };
    auto keepGoing = [&] { return !checkpoint || checkpoint(); };

    int inEffect[ExtractAction::kGroups] = {0, 0, 0};
    int groupsInEffect = 0;
    for (int tab = 0; tab < ExtractAction::kGroups; ++tab) {
        for (int con = 0; con < ExtractAction::kConditions; ++con) {
            const int r = conditions.CheckExtractEffective(tab, con);
            if (r < 0) return fail(r, conditions.GetErrMsg());
            inEffect[tab] += r;
        }
        if (inEffect[tab] > 0) ++groupsInEffect;
    }
    if (const int r = result.ALLRemoveDBID(); r != 0) return fail(r, result.GetErrMsg());

    std::vector<int> ids;
    int groupsAdded = 0;
    for (int tab = 0; tab < ExtractAction::kGroups; ++tab) {
        if (inEffect[tab] == 0) continue;
        if (!keepGoing()) return kExtractionCancelled;
        if (const int r = result.GetAllDBIDWithoutDeleteFromDBToCListInt(ids); r < 0)
            return fail(r, result.GetErrMsg());
        bool advertisingChecked = false;
        for (int con = 0; con < ExtractAction::kConditions; ++con) {
            const int effective = conditions.CheckExtractEffective(tab, con);
            if (effective == 0) continue;
            // The first step in effect drops the customers who refuse advertising mail;
            // the later ones of the group need not ask again.
            const int r = conditions.PracticalExtractAction(ids, tab, con, advertisingChecked);
            if (r != 0) return fail(r, conditions.GetErrMsg());
            advertisingChecked = true;
            if (!keepGoing()) return kExtractionCancelled;
        }
        ++groupsAdded;
        const bool sort = groupsInEffect > 1 && groupsAdded == groupsInEffect;
        if (const int r = result.SetDBIDFromCListInt(ids, 1, sort ? 1 : 0); r != 0)
            return fail(r, result.GetErrMsg());
    }
    if (groupsInEffect == 0) {
        if (!keepGoing()) return kExtractionCancelled;
        if (const int r = result.GetAllDBIDWithoutDeleteFromDBToCListInt(ids); r < 0)
            return fail(r, result.GetErrMsg());
        if (const int r = result.SetDBIDFromCListInt(ids, 1, 0); r != 0) return fail(r, result.GetErrMsg());
    }
    if (!keepGoing()) return kExtractionCancelled;
    return kExtractionDone;
}
