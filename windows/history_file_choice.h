// Choosing another history file: the file pop-up, opened in the folder of the file in use,
// and a check that the chosen file can really be kept there, so that a choice the
// communication thread could not use is refused at once with a message.
#pragma once

// Shows the file pop-up for "*.dat" files, starting from current. 1 when the user chose
// a file that can be read and written (or created) there, with its full path in chosen
// (MAX_PATHNAME_LEN bytes); 0 when the user cancelled or the file is unusable (the user
// was told), chosen then unchanged.
int ChooseHistoryFile(const char *current, char *chosen);

// 1 when path names an existing regular file that can be read and written, or a file
// that does not exist yet in a folder that exists and can be written; else 0.
int HistoryFileUsable(const char *path);
