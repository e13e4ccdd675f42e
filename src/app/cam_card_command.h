#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "base/units.h"
#include "engine/cam_card.h"
#include "engine/lobe_cards.h"

namespace orv {

// What `orvantis card` and `orvantis lobes --card` print: the cam card as a fixed-column table,
// as JSON, and the lobes of a folder as a table or CSV with one row per lobe.

// Check heights in the unit system: their values and their texts as the user gave them (the
// texts name the CSV columns).
struct CardHeights {
  std::vector<double> values;
  std::vector<std::string> texts;
};

// The heights of `--check` ("0.006,0.050,0.200"), or the default heights of the unit system when
// `text` is empty. Empty with `why` set when the text is no list of heights.
std::optional<CardHeights> CardHeightsOf(const std::string& text, UnitMode mode, std::string& why);

// The card (in the unit system already) as JSON: {"units", "intake", "exhaust", "separation",
// "overlap"}; a side without a lobe is null.
nlohmann::ordered_json CamCardJson(const EngineCamCard& card, const std::string& unitsName,
                                   const CardHeights& heights);
nlohmann::ordered_json CamCardJson(const CamCard& card, const CardHeights& heights);

// The card (in the unit system already) as a fixed-column table, one figure per line, the
// intake and exhaust side by side; "–" where a figure does not exist.
std::string CamCardTable(const EngineCamCard& card, UnitMode mode, const CardHeights& heights);

// The columns of the lobe table: file, lobe, side, the card's names and for each height
// duration@H, opens@H and closes@H.
std::vector<std::string> LobeCardColumns(const CardHeights& heights);

// Sorts the rows (cards in the unit system already) by a column, ascending (descending with
// `reverse`); numbers by value with empty cells last, texts by name; rows that compare equal keep
// their order. False with `why` set for a name that is no column.
bool SortLobeCards(std::vector<LobeCardRow>& rows, const std::string& key,
                   const CardHeights& heights, bool reverse, std::string& why);

// The rows as CSV (header line first, empty cells where a figure does not exist, numbers with
// all their digits), or as a fixed-column table with the table's decimals.
std::string LobeCardsCsv(const std::vector<LobeCardRow>& rows, const CardHeights& heights);
std::string LobeCardsTable(const std::vector<LobeCardRow>& rows, UnitMode mode,
                           const CardHeights& heights);

}  // namespace orv
