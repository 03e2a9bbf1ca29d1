#pragma once
// Emoticons in chat text. Text travels and is stored with emoticons written as short codes
// beginning with "/" (the table below); rich edits show them as 20x20 pictures whose user
// value is the emoticon's index, the only link from a picture back to its code.
//
// The pictures come from the emoticon image list: the skin's (SetEmoticonImages, done by
// whoever loads the skin), else one built the same way from bitmap resource 196 with the
// colour key RGB(0, 128, 128). Each picture is drawn over white.
//
// UI thread, as the rich edits they work on.

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Bitmap.h"

namespace fw {
class RichEdit;
}
class CImageList;

constexpr int kEmoticonCount = 50;
// The codes by index (ASCII, so the same in GBK).
extern const std::array<std::string_view, kEmoticonCount> kEmoticonCodes;

// The code of emoticon `index`; empty for an index outside the table.
std::string_view EmoticonCode(int index);
// The emoticon whose code stands at `text[pos]` (a "/"): the codes are tried in table order
// and the first whose characters all follow wins. -1 when none matches.
int MatchEmoticon(std::string_view text, std::size_t pos);

// The list the pictures come from. Keeps `images` until replaced; null goes back to the
// list built from the program's resource.
void SetEmoticonImages(std::shared_ptr<const CImageList> images);
const CImageList& EmoticonImages();
// Picture `index` as rich edits show it: the image drawn over white, 20x20.
fw::Bitmap EmoticonPicture(const CImageList& images, int index);

// Inserts `text` (GBK) at the selection of `edit`, each code turned into its picture; the
// plain stretches between codes go in one piece each.
void InsertEmoticonText(const std::string& text, fw::RichEdit& edit);
void InsertEmoticonText(const std::string& text, fw::RichEdit& edit, const CImageList& images);
// The text of `edit` with every picture replaced by its code (a picture with a user value
// outside the table reads as nothing).
std::string ReadEmoticonText(const fw::RichEdit& edit);
// Inserts picture `index` at the selection; an index outside the table inserts nothing.
void InsertEmoticon(fw::RichEdit& edit, int index);
void InsertEmoticon(fw::RichEdit& edit, int index, const CImageList& images);
// Selects everything, clears it and inserts the empty text.
void ClearRichText(fw::RichEdit& edit);
