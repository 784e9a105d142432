// The check for another running copy of the program in the same data folder.
#pragma once

// Sets *there_is_another to 1 when another running process of this program holds the
// lock file "<program>.lock" in the working directory, else takes the lock (held until
// the process ends; a lock left by a crashed copy is taken over) and sets it to 0.
// activate_other is accepted and ignored. 0 when the check could be made, negative when
// not (the lock file cannot be created).
int CheckForDuplicateAppInstance(int activate_other, int *there_is_another);
// The process id that holds the lock of another copy, as the lock file records it; 0
// when no lock is held or it names none.
long DuplicateAppInstanceHolder();
