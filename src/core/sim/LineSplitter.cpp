#include "core/sim/LineSplitter.h"

namespace cravent::sim {

std::vector<LineSplitter::Line> LineSplitter::feed(std::string_view piece)
{
    std::vector<Line> lines;
    while (!piece.empty()) {
        const std::size_t newline = piece.find('\n');
        const std::string_view part = piece.substr(0, newline);
        if (!skipping_) {
            if (pending_.size() + part.size() > maxLength_) {
                lines.push_back({++number_, {}, true});
                pending_.clear();
                skipping_ = true;
            } else {
                pending_.append(part);
            }
        }
        if (newline == std::string_view::npos)
            break;
        if (skipping_)
            skipping_ = false;
        else
            lines.push_back({++number_, std::move(pending_), false});
        pending_.clear();
        piece.remove_prefix(newline + 1);
    }
    return lines;
}

std::vector<LineSplitter::Line> LineSplitter::finish()
{
    std::vector<Line> lines;
    if (!pending_.empty())
        lines.push_back({++number_, std::move(pending_), false});
    pending_.clear();
    skipping_ = false;
    return lines;
}

} // namespace cravent::sim
