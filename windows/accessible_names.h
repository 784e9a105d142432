// What a screen reader says about the main panel's readings, bells, lamps, gauges and
// pictures, and about the dialogs' fields that a label beside them does not name alone:
// names from the texts panel (so they follow the language) and, for the bells, lamps
// and pictures, their state in words.
#pragma once

// Names every such control from the texts the panels show now. After the texts changed
// (start-up, a language, the pressure caption).
void NameAccessibleControls();
// The state of every bell and lamp ("alarm went off", "alarm pending", "on", "off"), the
// forecast and tendency pictures and the gauges' readings, as descriptions. Cheap when
// nothing changed: the blink timer calls it on every tick.
void SayAccessibleStates();
// The alarm dialog's value fields are named by the threshold label it shows now.
void NameThresholdFields();
