#include "setup/settings.h"

#include <algorithm>
#include <cstdio>


namespace velmo {
namespace {

// One stored value: its name and its field as the 32-bit number stored.
struct Field {
  const char* name;
  int (*get)(const TSaverSettings&);
  void (*set)(TSaverSettings&, int);
};

#define VELMO_INT_FIELD(f) \
  Field { #f, [](const TSaverSettings& s) { return static_cast<int>(s.f); }, [](TSaverSettings& s, int v) { s.f = v; } }
#define VELMO_BOOL_FIELD(f) \
  Field { #f, [](const TSaverSettings& s) { return s.f ? 1 : 0; }, [](TSaverSettings& s, int v) { s.f = v != 0; } }

// Schema order: loading, first-run writing and saving go through it.
constexpr Field kFields[] = {
    VELMO_INT_FIELD(NumBirds),   VELMO_BOOL_FIELD(flag_clock), VELMO_BOOL_FIELD(flag_PlaySound),
    VELMO_BOOL_FIELD(flag_fps),  VELMO_BOOL_FIELD(TermMouse),  VELMO_INT_FIELD(Gamma),
    VELMO_BOOL_FIELD(flag_defres), VELMO_INT_FIELD(ResHor),    VELMO_INT_FIELD(ResVert),
    VELMO_INT_FIELD(ColorDepth), VELMO_INT_FIELD(clockX),      VELMO_INT_FIELD(clockY),
    VELMO_INT_FIELD(clockRad),
    Field{"ColorClock", [](const TSaverSettings& s) { return static_cast<int>(s.ColorClock); },
          [](TSaverSettings& s, int v) { s.ColorClock = static_cast<TColor>(v); }},
    VELMO_INT_FIELD(SetSpeed),
};

#undef VELMO_INT_FIELD
#undef VELMO_BOOL_FIELD

std::vector<TSetReg::Entry> EntriesOf(const TSaverSettings& settings, bool keepStored) {
  std::vector<TSetReg::Entry> entries;
  for (const Field& f : kFields) entries.push_back({f.name, f.get(settings), keepStored});
  return entries;
}

std::string WhereOf(TSetReg& store) {
  const std::string where = store.Location();
  return where.empty() ? std::string("the settings key") : "the settings file " + where;
}

}  // namespace

void ReadDesktopMode(IDisplayDriver& display, TSaverSettings& settings) {
  const DisplayMode mode = display.DesktopMode();
  settings.ResHor = mode.width;
  settings.ResVert = mode.height;
  settings.ColorDepth = mode.bitsPerPixel;
}

void DefaultClockPlacement(int width, int height, int32_t& x, int32_t& y, int32_t& rad) {
  // In proportion to the screen's smaller side: radius 70 and 20 to the
  // edges on the 600 rows of the screen the scene was composed for, so a
  // preview pane gets a small clock and a portrait screen one that fits.
  const int64_t side = std::max(std::min(width, height), 0);
  rad = static_cast<int32_t>((70 * side + 300) / 600);
  const auto margin = static_cast<int32_t>((20 * side + 300) / 600);
  x = width - rad - margin;
  y = rad + margin;
}

void SetDefaultSettings(IDisplayDriver& display, TSaverSettings& settings) {
  settings.NumBirds = 7;
  settings.flag_clock = true;
  settings.flag_PlaySound = true;
  settings.flag_fps = true;
  settings.TermMouse = true;
  settings.Gamma = 256;
  settings.flag_defres = true;
  ReadDesktopMode(display, settings);
  DefaultClockPlacement(settings.ResHor, settings.ResVert, settings.clockX, settings.clockY, settings.clockRad);
  settings.ColorClock = 0x80FF;  // orange: red 255, green 128
  settings.SetSpeed = 1;
}

TLoadReport LoadSettings(TSetReg& store, IDisplayDriver& display, TSaverSettings& settings, TStoreAccess access) {
  TLoadReport report;
  TSaverSettings defaults;
  SetDefaultSettings(display, defaults);
  std::vector<TSetReg::Entry> mend;
  bool first = true;
  for (const Field& f : kFields) {
    int value = 0;
    try {
      // Whether the key opens at all decides between first run and a stored set.
      if (store.Read(f.name, &value)) {
        f.set(settings, value);
      } else if (first) {
        report.firstRun = true;
        break;
      } else {
        throw ERegistryMissingValue(f.name);  // the key went away while it was read
      }
    } catch (const ERegistryMissingValue&) {
      // A value an older version, an editor or a kill left out is no reason
      // not to run: its default holds, and the next write stores it.
      f.set(settings, f.get(defaults));
      report.missing.push_back(f.name);
      mend.push_back({f.name, f.get(defaults), true});
    } catch (const ERegistryException& e) {
      throw ERegistryException(std::string(e.what()) + "\n\n" + WhereOf(store) +
                               " holds this value in a form Velmo cannot read. Correct or delete its line, "
                               "or store the settings anew with OK in the settings (velmo /c).");
    }
    first = false;
  }

  if (report.firstRun) {
    settings = defaults;
    // A store that cannot take the defaults (read-only configuration, say)
    // must not keep the saver from running: they hold for this run, and the
    // next load tries again. Someone else's first run may have stored its
    // own meanwhile; those stay.
    if (access == TStoreAccess::kReadWrite) {
      try {
        store.WriteSet(EntriesOf(defaults, true));
      } catch (const ERegistryException&) {
      }
    }
    return report;
  }
  if (!report.missing.empty()) {
    std::string names;
    for (const std::string& n : report.missing) names += (names.empty() ? "" : ", ") + n;
    std::fprintf(stderr, "velmo: %s lacks %s; %s until the settings are next stored.\n", WhereOf(store).c_str(),
                 names.c_str(), report.missing.size() == 1 ? "it takes its default" : "they take their defaults");
    if (access == TStoreAccess::kReadWrite) store.SetMissingValues(std::move(mend));
  }
  // The stored mode stays in the key; only this run follows the desktop.
  if (settings.flag_defres) ReadDesktopMode(display, settings);
  return report;
}

void SaveSettings(TSetReg& store, const TSaverSettings& settings) { store.WriteSet(EntriesOf(settings, false)); }

void SaveChangedSettings(TSetReg& store, const TSaverSettings& before, const TSaverSettings& after) {
  std::vector<TSetReg::Entry> entries = EntriesOf(after, false);
  for (size_t i = 0; i < entries.size(); ++i) entries[i].keepStored = kFields[i].get(before) == entries[i].value;
  store.WriteSet(entries);
}

TClockPlace ClockPlaceOf(const TSaverSettings& settings) {
  return TClockPlace{settings.clockX, settings.clockY, settings.clockRad};
}

bool ClockFits(const TClockPlace& clock, int width, int height) {
  const int64_t x = clock.x, y = clock.y, r = clock.rad;
  return r >= 0 && x - r >= 0 && y - r >= 0 && x + r < width && y + r < height;
}

TClockSpan ClockRadiusSpan(int width, int height) { return {70, std::min(width, height) / 2 - 40}; }

TClockSpan ClockCentreSpan(int32_t rad, int size) {
  const int64_t margin = int64_t{rad} + 20;
  return {margin, size - margin};
}

TClockPlace ClockOnScreen(const TClockPlace& stored, int width, int height) {
  if (ClockFits(stored, width, height)) return stored;
  TClockPlace clock;
  DefaultClockPlacement(width, height, clock.x, clock.y, clock.rad);
  // Far off, it would cost a core in clipped drawing.
  clock.rad = std::clamp(clock.rad, 0, std::max(std::min(width, height) / 2, 0));
  clock.x = std::clamp(clock.x, 0, std::max(width - 1, 0));
  clock.y = std::clamp(clock.y, 0, std::max(height - 1, 0));
  return clock;
}

TIdleSettings LoadIdleSettings(TSetReg& store) {
  TIdleSettings idle;
  int value = 0;
  try {
    if (store.Read("IdleStart", &value)) idle.IdleStart = value != 0;
  } catch (const ERegistryMissingValue&) {
  }
  try {
    if (store.Read("IdleMinutes", &value)) {
      if (value >= kIdleMinutesLow && value <= kIdleMinutesHigh) {
        idle.IdleMinutes = value;
      } else {
        std::fprintf(stderr, "velmo: %s holds IdleMinutes %d, outside %d to %d; %d minutes are used.\n",
                     WhereOf(store).c_str(), value, kIdleMinutesLow, kIdleMinutesHigh, idle.IdleMinutes);
      }
    }
  } catch (const ERegistryMissingValue&) {
  }
  return idle;
}

void SaveIdleSettings(TSetReg& store, const TIdleSettings& idle) {
  store.WriteSet({{"IdleStart", idle.IdleStart ? 1 : 0, false}, {"IdleMinutes", idle.IdleMinutes, false}});
}

}  // namespace velmo
