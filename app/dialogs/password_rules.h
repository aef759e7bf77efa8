#pragma once
// The rules every start-up password dialog shares: which characters a password may hold,
// and how a new password is stored so that a failure never locks the environment.

#include <QString>

#include <string>

class EnvManager;

namespace shell::dialogs {

// True when `text` holds only the 62 characters A-Z, a-z and 0-9 (half-width; case
// matters elsewhere). The empty text passes: emptiness is a check of its own.
bool IsPasswordText(const QString& text);

// Turns the start-up password on: the use-password flag becomes "Y", then `password` is
// stored. 0 on success; -1 when the flag could not be set (nothing changed); -2 when the
// password could not be stored - the flag is then put back to what it was, so the
// environment never asks for a password that was never stored.
int TurnPasswordOn(EnvManager& env, const std::string& password);

// Sets the use-password flag to "N" when it can be read (the answer of "no password").
void TurnPasswordOffIfReadable(EnvManager& env);

// Stamps the descriptor's renewal date with the current time and writes the descriptor.
void StampRenewalDate(EnvManager& env);

}  // namespace shell::dialogs
