// Dewpoint and windchill for data sets that carry only temperature, humidity and wind
// (the console's history records); base units in and out.
#pragma once
#include <cstdint>

// Dewpoint in degC (Magnus form). The caller passes only valid readings; 0 % humidity
// has no dewpoint and gives a value that is not finite.
float CalculateDewpoint(const float *temperature_c, const uint16_t *humidity_percent);

// Windchill in degC: the temperature itself below 1.8 m/s or above 33 degC.
float CalculateWindchill(const float *temperature_c, const float *wind_mps);
