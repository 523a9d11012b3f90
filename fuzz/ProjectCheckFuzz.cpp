#include "FuzzCheck.h"
#include "FuzzScratch.h"
#include "core/check/ProjectCheck.h"
#include "core/common/Error.h"
#include "core/image/ImageBuilder.h"
#include "core/report/RegisterReport.h"
#include "core/report/ReportFormats.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace {

const std::set<std::string> Codes = {
    "build-refused",  "cobid-range",    "too-many-rows",        "duplicate-rx-cobid",
    "duplicate-tx-cobid", "data-length", "frame-number",        "register-range",
    "duplicate-register", "byte-selection", "byte-beyond-length", "empty-byte-selection",
    "port-range",     "octet-range",    "subnet-mask",          "ip-address",
    "bit-rate",       "can-type",       "missing-settings",     "unmapped-frame",
    "register-both-directions"};

} // namespace

// The input is the five project files, separated by a line "----": whatever they hold, the
// check never fails, says an error whenever the build refuses, names only known codes and
// places, and every report format is made (the JSON one parses back).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace cravent;
    static const std::filesystem::path dir = fuzz::scratchFolder("check");
    static const char* const Names[] = {"pargen.xml", "RCobDef.xml", "TCobDef.xml", "RInfoCob.xml",
                                        "TInfoCob.xml"};
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (const char* name : Names) {
        const std::size_t cut = rest.find("\n----\n");
        const std::string_view part = rest.substr(0, cut);
        std::error_code ec;
        std::filesystem::remove(dir / name, ec);
        if (!part.empty())
            fuzz::putFile(dir / name, part);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 6);
    }

    const std::vector<check::Finding> findings = check::checkProject(dir);
    bool refused = false;
    try {
        (void)image::BuildConfigImage(dir, image::BuildMoment{});
    } catch (const Error&) {
        refused = true;
    }
    const check::Tally tally = check::tally(findings);
    if (refused)
        FUZZ_CHECK(tally.errors > 0);
    for (const check::Finding& f : findings) {
        FUZZ_CHECK(Codes.count(f.code) == 1);
        FUZZ_CHECK(!f.message.empty());
        FUZZ_CHECK(!f.row || *f.row >= 1);
        if (f.code == "build-refused")
            FUZZ_CHECK(refused);
    }

    const report::RegisterReport r = report::makeReport(dir);
    for (const report::Format format :
         {report::Format::Html, report::Format::Markdown, report::Format::Csv})
        FUZZ_CHECK(!report::render(r, format).empty());
    FUZZ_CHECK(nlohmann::json::accept(report::renderJson(r)));
    FUZZ_CHECK(nlohmann::json::accept(report::findingsJson(dir.string(), findings)));
    return 0;
}
