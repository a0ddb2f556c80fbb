#include "State/TrackState.h"

#include "Base/Overloaded.h"

namespace mivo {

bool TrackState::isFinished() const
{
    return is<Present>() || is<Done>() || is<Failed>();
}

bool TrackState::isActive() const
{
    return is<Working>() || is<CheckingDisk>();
}

bool TrackState::isAwaitingReview() const
{
    const auto* waiting = std::get_if<AwaitingReview>(&value);
    return waiting && !waiting->decisionSent;
}

bool TrackState::isDecisionSent() const
{
    const auto* waiting = std::get_if<AwaitingReview>(&value);
    return waiting && waiting->decisionSent;
}

bool TrackState::countsAsFailed() const
{
    if (is<Failed>())
        return true;
    const auto* done = std::get_if<Done>(&value);
    return done && done->status == Finish::failed;
}

StatusRole TrackState::statusRole() const
{
    return std::visit(Overloaded {
                          [](const Queued&) { return StatusRole::queued; },
                          [](const CheckingDisk&) { return StatusRole::working; },
                          [](const Working&) { return StatusRole::working; },
                          [](const AwaitingReview&) { return StatusRole::review; },
                          [](const Undecided&) { return StatusRole::review; },
                          [](const Present&) { return StatusRole::present; },
                          [](const Failed&) { return StatusRole::failed; },
                          [](const Done& done) {
                              switch (done.status) {
                              case Finish::ok:
                                  return StatusRole::done;
                              case Finish::lowConfidence:
                                  return StatusRole::review;
                              case Finish::failed:
                                  return StatusRole::failed;
                              case Finish::skipped:
                                  return StatusRole::skipped;
                              }
                              return StatusRole::done;
                          },
                      },
        value);
}

std::optional<TrackMeta> TrackState::displayMeta() const
{
    if (const auto* present = std::get_if<Present>(&value))
        return present->meta;
    if (const auto* done = std::get_if<Done>(&value))
        return done->meta;
    return std::nullopt;
}

} // namespace mivo
