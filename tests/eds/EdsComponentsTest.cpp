#include "EdsTestSupport.h"

#include "sync/eds/EdsComponents.h"
#include "sync/eds/GObjectRef.h"
#include "model/NoteCoding.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::eds;
using namespace brivet::testing;

namespace {

// Pure conversions: no private EDS needed.
const ZoneLookup builtin = [](const char* tzid) { return i_cal_timezone_get_builtin_timezone(tzid); };
ICalTimezone* losAngeles() { return i_cal_timezone_get_builtin_timezone("America/Los_Angeles"); }

GObjectRef<ICalComponent> todoWith(const std::string& due)
{
    const std::string ical = "BEGIN:VTODO\r\nUID:far\r\nSUMMARY:far\r\n" + due + "\r\nEND:VTODO\r\n";
    GObjectRef<ICalComponent> todo = adopt(i_cal_component_new_from_string(ical.c_str()));
    EXPECT_TRUE(todo.get()) << ical;
    return todo;
}

StoreReminder reminderFrom(const std::string& due)
{
    return reminderFromComponent(todoWith(due).get(), builtin, losAngeles());
}

} // namespace

TEST(EdsComponentsTest, DueDatesPastTheLastStorableYearEnterAtItsEnd)
{
    // 9999-12-31 23:00 west of UTC is already year 10000 in UTC, which no
    // notes file can spell.
    EXPECT_EQ(reminderFrom("DUE;TZID=America/New_York:99991231T230000").dueDate, latestStorableInstant);
    EXPECT_EQ(reminderFrom("DUE:99991231T230000").dueDate, latestStorableInstant) << "floating, read in Los Angeles";
    EXPECT_EQ(reminderFrom("DUE:99991231T220000Z").dueDate, utc(9999, 12, 31, 22, 0)) << "inside the range it stays";
    EXPECT_EQ(reminderFrom("DUE:20300115T090000Z").dueDate, utc(2030, 1, 15, 9, 0));
}

TEST(EdsComponentsTest, AFarDueDateWrittenBackUnchangedKeepsItsStoredForm)
{
    // libical calls years after 3000 invalid; reading such a date as none
    // would remove it from the reminder at the next write.
    GObjectRef<ICalComponent> todo = todoWith("DUE;TZID=America/New_York:99991231T230000");
    StoreReminder reminder = reminderFromComponent(todo.get(), builtin, losAngeles());
    ASSERT_TRUE(reminder.dueDate.has_value());
    reminder.title = "renamed";
    applyReminder(todo.get(), reminder, utc(2026, 12, 5), builtin, losAngeles());
    gchar* text = i_cal_component_as_ical_string(todo.get());
    const std::string written = text;
    g_free(text);
    EXPECT_NE(written.find("DUE;TZID=America/New_York:99991231T230000"), std::string::npos) << written;
    EXPECT_EQ(reminderFrom("DUE:50000101T000000Z").dueDate, utc(5000, 1, 1)) << "a year after 3000 is a date";
}

TEST(EdsComponentsTest, TextsReadAsTheNotesFileAndTheNextWriteCanHoldThem)
{
    // A summary that is not UTF-8 would make the notes file that holds it
    // unreadable at the next launch; control characters libical drops on
    // writing would make every read after a write look like a change.
    const std::string ical = "BEGIN:VTODO\r\nUID:odd\r\nSUMMARY:a\xff\xfe b\xc3\r\nDESCRIPTION:one\x08two\x0c\r\nEND:VTODO\r\n";
    GObjectRef<ICalComponent> todo = adopt(i_cal_component_new_from_string(ical.c_str()));
    ASSERT_TRUE(todo.get());
    StoreReminder read = reminderFromComponent(todo.get(), builtin, losAngeles());
    EXPECT_EQ(read.title, "a\xef\xbf\xbd\xef\xbf\xbd b\xef\xbf\xbd");
    EXPECT_EQ(read.notes, "onetwo");

    StickyNote note = StickyNote::placeholder(Uuid::random(), utc(2026, 12, 5));
    note.title = read.title;
    note.details = *read.notes;
    EXPECT_TRUE(std::holds_alternative<std::vector<StickyNote>>(decodeNotesFile(encodeNotesFile({ note }), utc(2026, 12, 5))));

    applyReminder(todo.get(), read, utc(2026, 12, 5), builtin, losAngeles());
    gchar* written = i_cal_component_as_ical_string(todo.get());
    GObjectRef<ICalComponent> reread = adopt(i_cal_component_new_from_string(written));
    g_free(written);
    StoreReminder again = reminderFromComponent(reread.get(), builtin, losAngeles());
    EXPECT_EQ(again.title, read.title);
    EXPECT_EQ(again.notes, read.notes);
}

TEST(EdsComponentsTest, AnOpenReminderWithASecondCompletedStatusStaysOpenAfterItsWrite)
{
    // Found by fuzzing: an unknown first STATUS is read (open) but written
    // empty and dropped when the text is parsed again, and the second one
    // then made the reminder completed.
    const std::string ical = "BEGIN:VTODO\r\nUID:two\r\nSUMMARY:Two\r\nSTATUS:COMPLETEDBEGIN:VTODO\r\nUID:two\r\n"
                            "SUMMARY:Two\r\nSTATUS:COMPLETED\r\r\nEND:VTODO\nEN\r\nD:VTODO\r\n";
    GObjectRef<ICalComponent> todo = adopt(i_cal_component_new_from_string(ical.c_str()));
    ASSERT_TRUE(todo.get());
    StoreReminder read = reminderFromComponent(todo.get(), builtin, losAngeles());
    ASSERT_FALSE(read.isCompleted);

    // On a copy, which keeps the unknown status without its text.
    GObjectRef<ICalComponent> copy = adopt(i_cal_component_clone(todo.get()));
    applyReminder(copy.get(), read, utc(2026, 12, 5), builtin, losAngeles());
    gchar* written = i_cal_component_as_ical_string(copy.get());
    GObjectRef<ICalComponent> reread = adopt(i_cal_component_new_from_string(written));
    g_free(written);
    EXPECT_FALSE(reminderFromComponent(reread.get(), builtin, losAngeles()).isCompleted);
}

TEST(EdsComponentsTest, AFarCompletionWrittenBackUnchangedKeepsItsDate)
{
    // Found by fuzzing: a completion in 4060 was rewritten as
    // "COMPLETED:00000000T000000" and read back as no date at all.
    const std::string ical = "BEGIN:VTODO\r\nUID:far\r\nSUMMARY:Far\r\nSTATUS:COMPLETED\r\nCOMPLETED:40600220T080000Z\r\nEND:VTODO\r\n";
    GObjectRef<ICalComponent> todo = adopt(i_cal_component_new_from_string(ical.c_str()));
    StoreReminder read = reminderFromComponent(todo.get(), builtin, losAngeles());
    ASSERT_EQ(read.completionDate, utc(4060, 2, 20, 8));

    applyReminder(todo.get(), read, utc(2026, 12, 5), builtin, losAngeles());
    gchar* written = i_cal_component_as_ical_string(todo.get());
    const std::string text = written;
    g_free(written);
    EXPECT_NE(text.find("COMPLETED:40600220T080000Z"), std::string::npos) << text;
}
