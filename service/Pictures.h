#pragma once

// The pictures of the home page's picture strip, drawn by the service itself: a page shows
// only what it can load without the network, so each picture travels as a "data:" address
// (an SVG document, base64) inside the reply. The same picture number and caption always give
// the same bytes.

#include <string>
#include <string_view>

namespace vqsvc {

// How the store names a picture that the service draws: "generated:" + number (1 and up).
inline constexpr std::string_view kGeneratedPicturePrefix = "generated:";
inline constexpr int kGeneratedPictureStyles = 4;

std::string GeneratedPictureName(int number);
// The number of a generated picture's name, or 0 for any other address.
int GeneratedPictureNumber(std::string_view name);

// Picture `number` (its colours and chart) with a heading and a caption (UTF-8, shown cut
// to fit), as an SVG document.
std::string StripPictureSvg(int number, std::string_view heading, std::string_view caption);

// "data:image/svg+xml;base64,..." for an SVG document: no quote, backslash or line break,
// so it passes through the page documents unchanged.
std::string SvgDataUrl(std::string_view svg);

}  // namespace vqsvc
