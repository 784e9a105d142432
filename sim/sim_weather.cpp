// Weather model of the simulated console (see sim_weather.h). Each quantity is a daily
// cycle plus a mean-reverting anomaly, so it wanders but never drifts away; humidity is
// derived from a dewpoint depression so that temperature, humidity and dewpoint stay
// consistent; showers are a Poisson process that is likelier while pressure is low.
#include "sim/sim_weather.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHour = 3600.0;

// One step of an Ornstein-Uhlenbeck process with stationary deviation sigma and
// relaxation time tau.
void StepAnomaly(SimRandom *r, double *x, double sigma, double tau) {
    const double dt = SIM_WEATHER_STEP_S;
    *x += -(*x) * dt / tau + sigma * std::sqrt(2.0 * dt / tau) * SimGauss(r);
}

// One step of a quantity driven by a tendency (per hour) and drawn back to 0.
void StepSmooth(double *x, double tendency, double tau) {
    const double dt = SIM_WEATHER_STEP_S;
    *x += tendency * dt / kHour - (*x) * dt / tau;
}

double DailyCycle(double hour, double peak_hour) {
    return std::cos(2.0 * kPi * (hour - peak_hour) / 24.0);
}

// Relative humidity of air at t °C whose dewpoint is td °C (Magnus form).
double HumidityFromDewpoint(double t, double td) {
    const double a = 17.625, b = 243.04;
    return 100.0 * std::exp(a * td / (b + td) - a * t / (b + t));
}

}  // namespace

void InitSimWeather(SimWeather *w, uint64_t seed, double hour_of_day) {
    *w = SimWeather{};
    SeedSimRandom(&w->rng, seed);
    SimRandom *r = &w->rng;
    w->otemp_mean = 4.0 + 16.0 * SimUniform(r);
    w->otemp_swing = 2.5 + 3.5 * SimUniform(r);
    w->press_sea_mean = 1008.0 + 12.0 * SimUniform(r);
    w->rel_offset = 2.0 + 40.0 * SimUniform(r);
    w->wind_mean = 1.5 + 3.0 * SimUniform(r);
    w->otemp_anom = 2.0 * SimGauss(r);
    w->itemp_anom = 0.5 * SimGauss(r);
    w->dewdep_anom = 1.5 * SimGauss(r);
    w->ihum_anom = 4.0 * SimGauss(r);
    w->press_anom = 6.0 * SimGauss(r);
    w->otemp_tendency = 0.5 * SimGauss(r);
    w->press_tendency = 0.6 * SimGauss(r);
    w->wind_anom = 1.0 * SimGauss(r);
    w->dir_deg = 360.0 * SimUniform(r);
    StepSimWeather(w, hour_of_day);
}

int StepSimWeather(SimWeather *w, double hour) {
    SimRandom *r = &w->rng;
    const double dt = SIM_WEATHER_STEP_S;
    StepAnomaly(r, &w->otemp_tendency, 0.5, 3.0 * kHour);
    StepSmooth(&w->otemp_anom, w->otemp_tendency, 12.0 * kHour);
    StepAnomaly(r, &w->itemp_anom, 0.6, 4.0 * kHour);
    StepAnomaly(r, &w->dewdep_anom, 2.0, 6.0 * kHour);
    StepAnomaly(r, &w->ihum_anom, 5.0, 6.0 * kHour);
    StepAnomaly(r, &w->press_tendency, 0.6, 8.0 * kHour);
    StepSmooth(&w->press_anom, w->press_tendency, 48.0 * kHour);
    StepAnomaly(r, &w->wind_anom, 1.5, 0.25 * kHour);
    w->dir_deg = std::fmod(w->dir_deg + 1.6 * SimGauss(r) + 360.0, 360.0);

    // Showers: about one every ten hours, twice as often 10 hPa below the mean.
    const double low = std::max(0.0, -w->press_anom);
    const double start_rate = (1.0 + low / 10.0) / (10.0 * kHour);
    if (w->shower_left <= 0.0 && SimChance(r, start_rate * dt)) {
        w->shower_left = std::clamp(-40.0 * 60.0 * std::log(1.0 - SimUniform(r)), 300.0, 7200.0);
        const double u = SimUniform(r);
        w->shower_rate = 0.5 + 6.0 * u * u;
    }
    double fallen = 0.0;
    if (w->shower_left > 0.0) {
        fallen = w->shower_rate * dt / kHour;
        w->shower_left -= dt;
    }
    const double wet_target = w->shower_left > 0.0 ? 1.0 : 0.0;
    w->wetness += (wet_target - w->wetness) * dt / kHour;
    w->rain_carry += fallen;
    int impulses = 0;
    while (w->rain_carry >= 0.518) {
        w->rain_carry -= 0.518;
        ++impulses;
    }

    w->otemp = std::clamp(w->otemp_mean + w->otemp_swing * DailyCycle(hour, 15.0) + w->otemp_anom
                              - 2.0 * w->wetness,
                          -28.0, 42.0);
    w->itemp = std::clamp(21.0 + 0.8 * DailyCycle(hour, 18.0) + w->itemp_anom, 14.0, 29.0);
    const double depression =
        std::max(0.2, (4.0 + 2.5 * DailyCycle(hour, 15.0) + w->dewdep_anom) * (1.0 - 0.85 * w->wetness));
    w->ohum = std::clamp(HumidityFromDewpoint(w->otemp, w->otemp - depression), 12.0, 99.0);
    w->ihum = std::clamp(45.0 + w->ihum_anom, 25.0, 75.0);
    const double sea = std::clamp(w->press_sea_mean + w->press_anom + 0.6 * std::cos(4.0 * kPi * hour / 24.0),
                                  965.0, 1045.0);
    w->press_abs = sea - w->rel_offset;
    w->wind = std::clamp(w->wind_mean + 0.08 * low + w->wind_anom + 0.3 * SimGauss(r), 0.0, 28.0);
    const double shown_dir = w->dir_deg + 12.0 * SimGauss(r);
    w->wind_dir = static_cast<int>(std::floor(std::fmod(shown_dir + 360.0 + 11.25, 360.0) / 22.5)) & 15;
    return impulses;
}
