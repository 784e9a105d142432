// The console's port from the command line, for a station PC without a screen where the
// settings dialog cannot be shown: --list-ports says what there is, --port makes the
// COMn link in the data folder exactly as choosing a device in Settings does.
#pragma once

// Prints the serial devices (device, by-id name, description, maker, serial number and
// the COMn links that lead to each) and every COMn link of the working folder to stdout.
// Returns 0.
int ListPortsCommand();

// Links COM<port_number> (0: the port Setup.cnf names) in the working folder to device
// and says which link it made on stdout; a port number other than the one in Setup.cnf
// is saved there. 0 on success; 2 with a message on stderr when device is no serial
// device (no link is touched then); 1 when the link cannot be made.
int ChoosePortCommand(const char *device, int port_number);
