#pragma once
// The largest ID in use in an environment, for a sequence file that must be rebuilt:
// customer IDs from the address book ("DB/database.dat"); mail IDs from the mail folders
// ("MAIL/<id>/") and the mail list ("MAIL/maillist.dat"); extraction numbers from the
// extraction files ("EXTRACT/exrd<n>.dat", "EXTRACT/exsl<n>.dat") and the saved-extraction
// list ("EXTRACT/extrlist.dat"). The lists hold the ID in their first element.

class EnvManager;

// 0 and `largest` = the largest ID found (-1 when none); -1 for an unknown kind or an
// unbound environment; -2 when a list file exists but cannot be read whole (damaged, or
// the environment's data key cannot be had): the caller must not guess then.
int LargestIdInUse(const EnvManager& env, int seqType, int& largest);
