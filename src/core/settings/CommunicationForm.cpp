#include "core/settings/CommunicationForm.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"

#include <algorithm>
#include <optional>

namespace cravent::settings {

namespace {

std::optional<std::int32_t> numberOf(const std::optional<std::string>& text)
{
    return text ? parseIntegerText(*text) : std::nullopt;
}

void applyOctets(std::array<RangeValue, 4>& fields, const std::array<std::optional<std::string>, 4>& stored,
                 bool rootFound)
{
    std::array<std::optional<std::int32_t>, 4> numbers;
    std::transform(stored.begin(), stored.end(), numbers.begin(), numberOf);
    const bool complete =
        rootFound && std::all_of(numbers.begin(), numbers.end(), [](const auto& n) { return n.has_value(); });
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i].setText(complete ? std::to_string(*numbers[i]) : "0");
}

} // namespace

int bitRateIndex(std::string_view text)
{
    const auto at = std::find(BitRates.begin(), BitRates.end(), text);
    return at == BitRates.end() ? -1 : static_cast<int>(at - BitRates.begin());
}

RangeValue octetField(std::string text)
{
    return RangeValue(0, 255, std::move(text));
}

void applyStored(CommunicationForm& form, const project::StoredPargen& stored)
{
    // A document whose root is some other element holds none of the values.
    const bool rootFound = stored.rootName == project::PargenRootName;
    const auto valueOf = [rootFound](const std::optional<std::string>& text) {
        return rootFound ? numberOf(text) : std::nullopt;
    };

    if (const auto index = valueOf(stored.baudRateCan))
        form.bitRate = *index >= 0 && *index < static_cast<int>(BitRates.size())
                           ? BitRates[static_cast<std::size_t>(*index)]
                           : "";
    else
        form.bitRate = BitRates[0];

    const auto canType = valueOf(stored.canType);
    form.can20B = canType && *canType != 0;

    applyOctets(form.ip, stored.ip, rootFound);
    applyOctets(form.mask, stored.mask, rootFound);

    if (rootFound && stored.port)
        form.port = *stored.port;
}

project::PargenValues valuesToStore(CommunicationForm& form)
{
    project::PargenValues values;
    values.baudRateIndex = bitRateIndex(form.bitRate);
    values.canType = form.can20B ? 1 : 0;
    for (std::size_t i = 0; i < 4; ++i) {
        values.ip[i] = form.ip[i].value();
        values.mask[i] = form.mask[i].value();
    }
    values.port = form.port;
    return values;
}

std::string pingAddress(const CommunicationForm& form)
{
    return form.ip[0].text() + "." + form.ip[1].text() + "." + form.ip[2].text() + "." +
           form.ip[3].text();
}

std::optional<std::string> storedPingAddress(const std::filesystem::path& pargenFile)
{
    if (pargenFile.empty() || pathKind(pargenFile) == PathKind::Missing)
        return std::nullopt;
    project::StoredPargen stored;
    try {
        stored = project::readPargen(pargenFile);
    } catch (const Error&) {
        // The ping box stays as it is, as Set Communication's controls do for such a file.
        return std::nullopt;
    }
    if (std::none_of(stored.ip.begin(), stored.ip.end(), [](const auto& octet) { return octet.has_value(); }))
        return std::nullopt;
    CommunicationForm form;
    applyStored(form, stored);
    return pingAddress(form);
}

} // namespace cravent::settings
