// The page of an observations file: one self-contained HTML file with inline
// SVG and CSS (a heading with the frequency table, a map of the soundings,
// and profiles of the height and of every data column along the distance
// flown), and a small inline script that only adds read-outs on hover.
//
// Every panel is one <svg class="panel"> whose plot area is framed by a
// rectangle of class "frame". Its data-x and data-y attributes give the
// plot area and the values at its edges, "left,width,first,last" and
// "top,height,bottom,top value", so that a read-out (or a test) can turn a
// point of the drawing into values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "look/obsfile.h"

namespace kivo {

// The width of every panel in pixels, and of the plot area inside it.
inline constexpr int kPanelWidth = 1360;
inline constexpr int kPlotLeft = 84;
inline constexpr int kPlotWidth = kPanelWidth - kPlotLeft - 24;

// The distance along the soundings at each block: the sum of the distances
// between successive positions. A step more than 10 times the median step
// (of the steps that move at all) begins a new segment: `starts` holds the
// first block of every segment.
struct Track {
  std::vector<double> distance;
  std::vector<std::size_t> starts;
};
Track track_of(const ObsFile& o);

// The page of `o`, titled with the file name `title`.
std::string page_html(const ObsFile& o, std::string_view title);

}  // namespace kivo
