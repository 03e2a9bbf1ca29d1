#include "forms/FormRules.h"

#include <cstdio>

#include "platform/core/Text.h"
#include "protocol/RecordSet.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal digits only, at most `maxDigits` of them; nothing else.
std::optional<long> ParseDigits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    long value = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::optional<int> ParsePortText(std::string_view text) {
    // Leading zeros are harmless, but a text far longer than any port is not a port.
    const std::optional<long> value = ParseDigits(text, 10);
    if (!value || *value < 1 || *value > 65535) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

std::optional<DottedAddress> ParseDottedAddress(std::string_view text) {
    DottedAddress parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t dot = text.find('.');
        const bool last = i + 1 == parts.size();
        if (last != (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const std::string_view part = last ? text : text.substr(0, dot);
        const std::optional<long> value = ParseDigits(part, 3);
        if (!value || *value > 255) {
            return std::nullopt;
        }
        parts[i] = static_cast<std::uint8_t>(*value);
        if (!last) {
            text.remove_prefix(dot + 1);
        }
    }
    return parts;
}

std::string FormatDottedAddress(const DottedAddress& parts) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
    return text;
}

fw::Rect ColumnButtonRect(std::size_t index) {
    const int line = static_cast<int>(index / 3);
    const int place = static_cast<int>(index % 3);
    return fw::Rect::FromXYWH(kColumnLeft + place * kColumnStep,
                              kColumnFirstTop + line * kColumnLineStep, kColumnWidth,
                              kColumnHeight);
}

std::vector<ColumnButton> ColumnButtons(RecordSet& set) {
    std::vector<ColumnButton> buttons;
    const int idColumn = set.FindColumnNoCase("prd_menu_id");
    const int nameColumn = set.FindColumnNoCase("prd_menu_name");
    if (idColumn < 0 || set.RowCount() <= 0 || !set.MoveFirst()) {
        return buttons;
    }
    constexpr long kMaxColumnId = 0xFFFF - kColumnButtonBase;
    do {
        const std::optional<long> id = ParseDigits(TrimBlanks(set.GetText(idColumn)), 5);
        if (!id || *id > kMaxColumnId) {
            continue;
        }
        ColumnButton b;
        b.id = kColumnButtonBase + static_cast<fw::UINT>(*id);
        if (nameColumn >= 0) {
            b.caption = std::string(set.GetText(nameColumn));
        }
        b.rect = ColumnButtonRect(buttons.size());
        buttons.push_back(std::move(b));
    } while (buttons.size() < kMaxColumnButtons && set.MoveNext());
    return buttons;
}

std::optional<std::string> ChosenColumn(fw::UINT buttonId) {
    if (buttonId < kColumnButtonBase || buttonId > kLastChoosableButton) {
        return std::nullopt;
    }
    return std::to_string(buttonId - kColumnButtonBase);
}

fw::UINT LoginStateRadio(std::string_view stored) {
    if (stored.size() != 1) {
        return 0;
    }
    for (const LoginStateChoice& c : kLoginStates) {
        if (c.value == stored[0]) {
            return c.radio;
        }
    }
    return 0;
}

char LoginStateValue(fw::UINT radio) {
    for (const LoginStateChoice& c : kLoginStates) {
        if (c.radio == radio) {
            return c.value;
        }
    }
    return 0;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lead = static_cast<unsigned char>(a[i]);
        if (i + 1 < a.size() && vq::IsGbkPair(lead, static_cast<unsigned char>(a[i + 1]))) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
            continue;
        }
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}
