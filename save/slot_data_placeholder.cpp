// Placeholder until the slot services land.
void slot_data_reset_globals() {}
