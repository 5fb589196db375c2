#include "watch/time_watch.h"

namespace quillenta {

TimeWatch::TimeWatch(Clock& clock, Settings& settings, const ConnectionFigures& figures,
                     Launcher& launcher)
    : clock_(clock), settings_(settings), figures_(figures), launcher_(launcher) {}

void TimeWatch::CheckTimeWatches() {}
void TimeWatch::LaunchWatchProgram(int) {}
void TimeWatch::BrowseWatchProgram(int, FileChooser&) {}

}  // namespace quillenta
