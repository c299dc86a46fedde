// The book's rules in a settings file. Whatever the file holds, the rules read from it keep
// their bounds; writing the same rules back into it brings no other rule into force and
// changes no other value of the file; a second write changes no byte; and rules moved or
// removed are read back as written, the file's other values kept.
#include "BookRules.h"
#include "FuzzSupport.h"
#include "IniData.h"

namespace {

// Every label takes the same way through the reader; a file asking for thousands would only
// make each run slower.
constexpr int LabelCap = 100;

void checkBounds(const BookRules &rules)
{
    FUZZ_CHECK(rules.tests.size() <= BookRules::MaxTests);
    for (const BookTest &test : rules.tests) {
        FUZZ_CHECK(test.dice >= 1 && test.dice <= BookRules::MaxDice);
        FUZZ_CHECK(test.ability >= 0 && test.ability < BookRules::AbilityCount);
        FUZZ_CHECK(!test.name.isEmpty());
        for (const auto *changes : {&test.always, &test.onSuccess, &test.onFailure}) {
            for (const AbilityChange &change : *changes) {
                FUZZ_CHECK(change.ability >= 0 && change.ability < BookRules::AbilityCount);
                FUZZ_CHECK(change.amount >= -BookRules::MaxAmount &&
                           change.amount <= BookRules::MaxAmount);
            }
        }
    }
    if (rules.combat) {
        FUZZ_CHECK(rules.combat->attack >= 0 && rules.combat->attack < BookRules::AbilityCount);
        FUZZ_CHECK(rules.combat->endurance >= 0 &&
                   rules.combat->endurance < BookRules::AbilityCount);
        FUZZ_CHECK(rules.combat->dice >= 1 && rules.combat->dice <= BookRules::MaxDice);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QByteArray file = FuzzSupport::bytesOf(bytes, size);
    const BookRules rules = BookRules::fromBytes(file);
    checkBounds(rules);

    const RulesTexts texts = BookRules::textsFromBytes(file);
    const QByteArray written = BookRules::writeInto(file, texts);
    const BookRules again = BookRules::fromBytes(written);
    FUZZ_CHECK(again.tests == rules.tests);
    FUZZ_CHECK(again.combat == rules.combat);
    FUZZ_CHECK(settingsFromBytes(written, LabelCap) == settingsFromBytes(file, LabelCap));
    FUZZ_CHECK(BookRules::writeInto(written, texts) == written);

    // The tests turned round, the first one left out, and no combat.
    RulesEdit edit{texts, {}, {}};
    for (qsizetype k = texts.tests.size() - 1; k > 0; --k) {
        edit.after.tests.append(texts.tests[k]);
        edit.origins.append(int(k));
    }
    const QByteArray edited = BookRules::writeInto(file, edit);
    const RulesTexts read = BookRules::textsFromBytes(edited);
    FUZZ_CHECK(read.tests.mid(0, edit.after.tests.size()) == edit.after.tests && !read.combat);
    FUZZ_CHECK(settingsFromBytes(edited, LabelCap) == settingsFromBytes(file, LabelCap));
    return 0;
}
