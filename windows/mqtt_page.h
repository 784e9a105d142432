// The settings page "Home automation (MQTT)": the keys of clearhorizon.ini a user sets
// most (the others stay as the file has them), a "Test connection" button that says in
// words what happened, and a red warning while the file switches the TLS checks off.
#pragma once

// Fills the page from clearhorizon.ini (defaults when there is none).
void InitMqttPage();
// On OK: writes the page into clearhorizon.ini when anything changed and starts the
// publisher anew with it. 0, or -1 when the file cannot be written (nothing restarted).
int TakeMqttPage();
// The button (commit): one connection attempt with the page's settings on a worker
// thread; the page's timer shows the outcome, so the dialog never waits on the network.
int MqttTestButton(int panel, int control, int event, void *callback_data, int event_data1,
                   int event_data2);
int MqttTestTimer(int panel, int control, int event, void *callback_data, int event_data1,
                  int event_data2);
// Registers both callbacks under their resource-file names.
void RegisterMqttPageCallbacks();
// The outcome shown for the words of MqttTestConnection, in the current language.
void MqttResultText(const char *words, char *out, int size);
