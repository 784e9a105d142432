// Storage of UI_data; its defaults are set at start-up by the display code.
#include "records/ui_data.h"

KORData UI_data;
