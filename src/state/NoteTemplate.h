#pragma once

#include "model/StickyNote.h"

#include <string>
#include <vector>

namespace brivet {

class Clock;
class UserCalendar;

struct NoteTemplate {
    Uuid id;
    std::string title;
    std::string details;
    std::vector<NoteTask> tasks;
    std::string category;
    NoteTheme theme = NoteTheme::work;

    friend bool operator==(const NoteTemplate&, const NoteTemplate&) = default;
};

// Where the state finds note templates and the first-run samples.
class TemplateProviding {
public:
    virtual ~TemplateProviding() = default;
    // The templates in gallery order.
    virtual const std::vector<NoteTemplate>& templates() const = 0;
    // The notes a store without notes starts with.
    virtual std::vector<StickyNote> initialSampleNotes(double defaultOpacity) const = 0;
};

// Meeting record, shopping list, study plan.
class DefaultTemplateProvider final : public TemplateProviding {
public:
    DefaultTemplateProvider(const Clock& clock, const UserCalendar& calendar);
    const std::vector<NoteTemplate>& templates() const override { return m_templates; }
    std::vector<StickyNote> initialSampleNotes(double defaultOpacity) const override;

private:
    const Clock& m_clock;
    const UserCalendar& m_calendar;
    std::vector<NoteTemplate> m_templates;
};

} // namespace brivet
