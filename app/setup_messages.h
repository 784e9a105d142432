// The two messages that report trouble with the settings: a record that could not be
// saved, and a serial port that could not be opened. Their wording is the texts panel's.
#pragma once

// "Error" pop-up with the texts panel's save-failure text.
void MsgErrorSaveSetup();
// "<prefix> COM<n><suffix>" under the error title; each text and the message are kept
// within 103 characters.
void MsgErrorComport(const int *port);
// Saves `setup`; a failure is shown with MsgErrorSaveSetup. The result of SaveSetup.
int SaveSetupOrReport();
