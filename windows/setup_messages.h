// The two messages that report trouble with the settings: a record that could not be
// saved, and a serial port that could not be opened. Their wording is the texts panel's.
#pragma once
#include <cstdint>
#include <string>

// "Error" pop-up with the texts panel's save-failure text.
void MsgErrorSaveSetup();
// The port message: the port, the device it resolves to, why it cannot be opened
// (a LinkReason) and what the user can do about it. Built to its full length, whatever
// the language.
std::string ComportMessageText(int port, const char *device, int32_t reason);
// Shows it under the error title.
void MsgErrorComport(int port, const char *device, int32_t reason);
// Saves `setup`; a failure is shown with MsgErrorSaveSetup. The result of SaveSetup.
int SaveSetupOrReport();
