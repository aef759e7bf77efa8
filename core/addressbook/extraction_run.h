#pragma once
// RunExtraction: runs a whole condition set over the address book into a result list,
// the one run that the extraction wizard and the re-extraction of a destination share.
//
// Each group (A, B, C) that has a condition in effect starts from every record not
// marked deleted and applies its five conditions in order (AND; a condition that is off
// passes every ID); the groups' IDs are added to the result (OR), each ID once, skipping
// customers who refuse advertising mail. The result is in address-book order when one
// group has conditions and sorted by ID when two or more have. A set without any
// condition in effect gives every record not marked deleted, less the customers who
// refuse advertising mail.
//
// A filter step that fails stops the run with its error and leaves the result empty:
// carrying on would add an unfiltered group, that is mail to everyone.
//
// The checkpoint is asked before every group and after every condition; when it answers
// false the run stops as cancelled and the result keeps what the finished groups added
// (a caller pausing the run simply waits inside its checkpoint). The address book's lock
// is held for one filter step at a time, never across a checkpoint.

#include <functional>

#include "core/foundation/err_msg.h"

class ExtractAction;
class ExtractResultDetail;

// Results of RunExtraction besides the negative failures.
enum : int { kExtractionDone = 0, kExtractionCancelled = 1 };

// The result list is emptied first. kExtractionDone, kExtractionCancelled, or the failing
// member's negative result, whose error is copied into `error` when given.
int RunExtraction(ExtractAction& conditions, ExtractResultDetail& result,
                  const std::function<bool()>& checkpoint = {}, CErrMsg* error = nullptr);
