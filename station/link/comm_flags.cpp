#include "station/link/comm_flags.h"

std::atomic<int32_t> flag_quit{0};
std::atomic<int32_t> flag_give_up_held_change{0};
int32_t flag_polling_blocked = 1;
int32_t flag_reception_pause = 0;
int32_t flag_commands_waiting = 0;
int32_t flag_data_due = 0;
int32_t flag_first_refresh_loop = 1;
int32_t flag_set_eeprom_trigger_request = 0;
int32_t flag_new_history_file = 0;
int32_t flag_KOR_state_machine_busy = 0;
int32_t polling_step = 0;
int32_t polling_resume_step = 0;
int32_t reception_skip_count = 8;
