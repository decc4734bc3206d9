// The schema extension against the stand-in directory: what a fresh schema
// receives, the test that skips it, the re-run over a half-extended schema,
// every step's code with the message the administrator sees, and the test for
// the access-server class.
#include "directory_fixture.h"
#include "harness.h"

#include "core/attribute_formats.h"
#include "core/directory_access.h"
#include "core/result_codes.h"
#include "core/schema_extension.h"

#include <dircli32_test.h>

#include <string>
#include <vector>

namespace {

using namespace rax;
using raxtest::InjectedCode;

struct ExpectedAttribute {
    const char *name;
    uint32_t syntax;
    uint32_t flags;
    bool containers;   // also on the four container classes
};

// The contract with the access servers, written out independently of the code.
const ExpectedAttribute Expected[] = {
    {"Dravon Session Parameters", 8, 0x41, false},  {"Dravon DialbackFlag", 8, 0x41, false},
    {"Dravon Password Parameters", 9, 0x41, false}, {"Dravon DialbackNumber", 10, 0x41, false},
    {"Dravon ARAS Zone", 9, 0x40, false},           {"Dravon IPX Profile", 9, 0x41, true},
    {"Dravon IP Profile", 9, 0x41, true},           {"Dravon Idle Timeout", 8, 0x41, true},
    {"Dravon IP Address Pool Flag", 8, 0x41, true}, {"Dravon IP Filters", 9, 0x41, true},
};
const char *const Containers[] = {"organizational unit", "organization", "locality", "country"};

std::string CallNames(uint32_t ordinal)
{
    std::string names(static_cast<size_t>(DirTestCallNames(ordinal, nullptr, 0)) + 1, '\0');
    names.resize(static_cast<size_t>(DirTestCallNames(ordinal, names.data(), static_cast<uint32_t>(names.size()))));
    return names;
}

std::string FailureText(const char *hex)
{
    return std::string("Failed to extend the Remote Access KVR schema - ") + hex + ".";
}

class SchemaExtension : public raxtest::DirectoryTest {
protected:
    void ExpectFullyExtended()
    {
        for (const ExpectedAttribute &attribute : Expected) {
            SCOPED_TRACE(attribute.name);
            uint32_t syntax = 0;
            uint32_t flags = 0;
            ASSERT_EQ(DirTestAttributeDefined(attribute.name, &syntax, &flags), 1);
            EXPECT_EQ(syntax, attribute.syntax);
            EXPECT_EQ(flags, attribute.flags);
            EXPECT_EQ(DirTestClassHasAttribute("user", attribute.name), 1);
            for (const char *container : Containers)
                EXPECT_EQ(DirTestClassHasAttribute(container, attribute.name), attribute.containers ? 1 : 0)
                    << container;
        }
    }

    // Defines every attribute and adds it to its classes, except one pair.
    void SeedExtendedSchemaExcept(const char *skipClass, const char *skipAttribute)
    {
        for (const ExpectedAttribute &attribute : Expected) {
            ASSERT_EQ(DirTestDefineAttribute(attribute.name, attribute.syntax, attribute.flags), 0);
            ASSERT_EQ(DirTestAddClassAttribute("user", attribute.name), 0);
            if (!attribute.containers)
                continue;
            for (const char *container : Containers) {
                if (std::string(container) != skipClass || std::string(attribute.name) != skipAttribute) {
                    ASSERT_EQ(DirTestAddClassAttribute(container, attribute.name), 0);
                }
            }
        }
        DirTestResetCounts();
    }

    void ExpectFailureBox(const harness::ModalCapture &boxes, const char *hex)
    {
        std::string seen;
        for (const harness::CapturedBox &b : boxes.Boxes())
            seen += "[" + b.caption + ": " + b.text + "] ";
        ASSERT_EQ(boxes.Boxes().size(), 1u) << seen;
        const harness::CapturedBox &box = boxes.Boxes()[0];
        EXPECT_EQ(box.text, FailureText(hex));
        EXPECT_EQ(box.caption, "Remote Access Ostrum Snapin");
        EXPECT_EQ(box.icon, harness::BoxIcon::Stop);
        EXPECT_EQ(box.owner, nullptr);
    }
};

TEST_F(SchemaExtension, FreshSchemaReceivesEveryAttributeOnItsClasses)
{
    harness::ModalCapture boxes;
    EXPECT_EQ(EnsureSchema(), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    ExpectFullyExtended();
    ExpectAllReleased("extension");
    EXPECT_EQ(DirTestCallCount(1032), 30u) << "every attribute of every class is defined in turn";
    EXPECT_EQ(DirTestCallCount(1035), 30u);

    // The names as handed to the library: the classes in lower case, "country"
    // last, and every definition with its 44 reserved bytes zero (a nonzero
    // one would show after a tab).
    std::string classes, defined;
    for (const char *cls : {"user", "organizational unit", "organization", "locality", "country"})
        for (const ExpectedAttribute &attribute : Expected)
            if (std::string(cls) == "user" || attribute.containers) {
                classes += std::string(cls) + "\n";
                defined += std::string(attribute.name) + "\n";
            }
    EXPECT_EQ(CallNames(1037), "country\ncountry\n");
    EXPECT_EQ(CallNames(1035), classes);
    EXPECT_EQ(CallNames(1032), defined);
}

TEST_F(SchemaExtension, ExtendedSchemaCostsTwoClassReadsAndNoChange)
{
    harness::ModalCapture boxes;
    ASSERT_EQ(EnsureSchema(), 0);
    DirTestResetCounts();
    EXPECT_EQ(EnsureSchema(), 0);
    EXPECT_EQ(DirTestCallCount(1037), 2u);
    EXPECT_EQ(DirTestCallCount(1032), 0u);
    EXPECT_EQ(DirTestCallCount(1035), 0u);
    EXPECT_TRUE(boxes.Boxes().empty());
    ExpectAllReleased("second run");
}

TEST_F(SchemaExtension, CountryWithBothTestAttributesIsTakenAsExtended)
{
    ASSERT_EQ(DirTestDefineAttribute(AttrIdleTimeout, 8, 0x41), 0);
    ASSERT_EQ(DirTestDefineAttribute(AttrIpFilters, 9, 0x41), 0);
    ASSERT_EQ(DirTestAddClassAttribute("country", AttrIdleTimeout), 0);
    ASSERT_EQ(DirTestAddClassAttribute("country", AttrIpFilters), 0);
    DirTestResetCounts();
    harness::ModalCapture boxes;
    EXPECT_EQ(EnsureSchema(), 0);
    EXPECT_EQ(DirTestCallCount(1032), 0u);
    EXPECT_EQ(DirTestClassHasAttribute("user", AttrSessionParameters), 0) << "no change at all";
}

TEST_F(SchemaExtension, HalfExtendedSchemaIsCompletedByRunningTheWholeTableAgain)
{
    SeedExtendedSchemaExcept("country", AttrIpFilters);
    harness::ModalCapture boxes;
    EXPECT_EQ(EnsureSchema(), 0) << "-615 and -653 at every earlier step are accepted";
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(DirTestCallCount(1032), 30u);
    EXPECT_EQ(DirTestCallCount(1035), 30u);
    ExpectFullyExtended();
    ExpectAllReleased("completion");
}

TEST_F(SchemaExtension, FailedDefinitionStopsBeforeTheClassIsChanged)
{
    harness::ModalCapture boxes;
    DirTestFailCall(1032, 1, -672);
    EXPECT_EQ(EnsureSchema(), SchemaDefineAttribute);
    EXPECT_EQ(DirTestCallCount(1035), 0u);
    EXPECT_EQ(DirTestClassHasAttribute("user", AttrSessionParameters), 0);
    ExpectFailureBox(boxes, "7000d5");
    ExpectAllReleased("define failed");
}

TEST_F(SchemaExtension, EachFailingStepEndsTheExtensionWithItsCodeAndMessage)
{
    // Calls before the extension: two class-definition tests, each with two
    // buffers and one buffer initialisation.
    struct Case {
        const char *what;
        uint32_t ordinal;
        uint32_t nth;
        int32_t expected;
        const char *hex;
    } cases[] = {
        {"define attribute", 1032, 3, SchemaDefineAttribute, "7000d5"},
        {"allocate request", 1006, 5, SchemaNoContextOrBuffer, "700003"},
        {"initialise request", 1005, 3, SchemaInitBuffer, "7000f4"},
        {"put attribute name", 1015, 2, SchemaPutAttributeName, "7000f8"},
        {"add to class", 1035, 4, SchemaAddToClass, "7000d4"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DirTestReset();
        SetUp();
        harness::ModalCapture boxes;
        DirTestFailCall(c.ordinal, c.nth, InjectedCode);
        EXPECT_EQ(EnsureSchema(), c.expected);
        ExpectFailureBox(boxes, c.hex);
        ExpectAllReleased("failed step");
        DirTestClearFailures();
    }
}

TEST_F(SchemaExtension, FailedExtensionIsResumedNextTime)
{
    {
        harness::ModalCapture boxes;
        DirTestFailCall(1035, 4, -672);
        ASSERT_EQ(EnsureSchema(), SchemaAddToClass);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
    EXPECT_EQ(DirTestClassHasAttribute("user", AttrDialbackFlag), 1) << "earlier steps stay done";
    EXPECT_EQ(DirTestClassHasAttribute("user", AttrDialbackNumber), 0);
    harness::ModalCapture boxes;
    EXPECT_EQ(EnsureSchema(), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    ExpectFullyExtended();
}

TEST_F(SchemaExtension, ClassesAreExtendedInTheirOrderWithCountryLast)
{
    // Additions to classes: ten to "user", then five to each container in
    // order; the 26th is the first one to "country".
    harness::ModalCapture boxes;
    DirTestFailCall(1035, 26, -672);
    ASSERT_EQ(EnsureSchema(), SchemaAddToClass);
    for (const char *container : {"organizational unit", "organization", "locality"})
        EXPECT_EQ(DirTestClassHasAttribute(container, AttrIpFilters), 1) << container;
    EXPECT_EQ(DirTestClassHasAttribute("country", AttrIpxProfile), 0);
    ExpectFailureBox(boxes, "7000d4");
}

TEST_F(SchemaExtension, SchemaContextFailureIsSilent)
{
    harness::ModalCapture boxes;
    DirTestFailCall(1001, 1, -328);
    EXPECT_EQ(EnsureSchema(), SchemaNoContextOrBuffer);
    DirTestFailCall(1004, 1, InjectedCode);
    EXPECT_EQ(EnsureSchema(), SchemaSetNameContext);
    EXPECT_TRUE(boxes.Boxes().empty());
    ExpectAllReleased("no context");
    EXPECT_EQ(DirTestCallCount(1032), 0u);
}

// ---- ClassHasAttribute and ServerClassExists --------------------------------------

class SchemaClassLookup : public SchemaExtension {
protected:
    void SetUp() override
    {
        SchemaExtension::SetUp();
        ASSERT_EQ(DirTestDefineAttribute(AttrIdleTimeout, 8, 0x41), 0);
        ASSERT_EQ(DirTestDefineAttribute(AttrIpxProfile, 9, 0x41), 0);
        ASSERT_EQ(DirTestAddClassAttribute("country", AttrIdleTimeout), 0);
        ASSERT_EQ(DirTestAddClassAttribute("country", AttrIpxProfile), 0);
        ASSERT_EQ(OpenSchemaContext(), 0);
        DirTestResetCounts();
    }
    void TearDown() override
    {
        FreeSchemaContext();
        SchemaExtension::TearDown();
    }
};

TEST_F(SchemaClassLookup, AttributeIsFoundWithoutRegardToCaseAndUnknownClassIsNoFailure)
{
    uint8_t found = 7;
    EXPECT_EQ(ClassHasAttribute("country", &found, AttrIpxProfile), 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(ClassHasAttribute("Country", &found, "DRAVON IDLE TIMEOUT"), 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(ClassHasAttribute("country", &found, AttrIpFilters), 0);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(ClassHasAttribute("country", &found, nullptr), 0);
    EXPECT_EQ(found, 1) << "the class exists";
    // A class the schema does not know is no failure.
    EXPECT_EQ(ClassHasAttribute("no such class", &found, nullptr), 0);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(DirTestOpenBuffers(), 0);
}

TEST_F(SchemaClassLookup, EachFailingStepGivesItsCodeAndReleasesTheBuffers)
{
    struct Case {
        const char *what;
        uint32_t ordinal;
        uint32_t nth;
        int32_t expected;
    } cases[] = {
        {"request buffer", 1006, 1, SchemaNoContextOrBuffer},
        {"initialise", 1005, 1, SchemaInitBuffer},
        {"class name", 1021, 1, SchemaPutClassName},
        {"reply buffer", 1006, 2, SchemaNoContextOrBuffer},
        {"read", 1037, 1, SchemaReadClassDef},
        {"definition count", 1009, 1, SchemaClassDefCount},
        {"definition", 1019, 1, SchemaGetClassDef},
        {"list length", 1010, 3, SchemaNameListCount},
        {"list name", 1020, 1, SchemaGetListName},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DirTestFailCall(c.ordinal, c.nth, InjectedCode);
        uint8_t found = 7;
        EXPECT_EQ(ClassHasAttribute("country", &found, AttrIpFilters), c.expected);
        EXPECT_EQ(found, 0);
        EXPECT_EQ(DirTestOpenBuffers(), 0);
        EXPECT_EQ(DirTestOpenContexts(), 1) << "the schema context stays the caller's";
        DirTestClearFailures();
    }
    uint8_t found = 7;
    DirTestFailCall(1037, 1, NoSuchClassCode);
    EXPECT_EQ(ClassHasAttribute("country", &found, AttrIdleTimeout), 0);
    EXPECT_EQ(found, 0);
}

TEST_F(SchemaExtension, ServerClassIsFoundOnlyWhenTheSchemaHasIt)
{
    EXPECT_EQ(ServerClassExists(), SchemaServerClassMissing);
    ExpectAllReleased("missing");
    ASSERT_EQ(DirTestDefineClass("Dravon Server"), 0);
    EXPECT_EQ(ServerClassExists(), 0);
    ExpectAllReleased("present");

    DirTestFailCall(1001, 1, -328);
    EXPECT_EQ(ServerClassExists(), SchemaNoContextOrBuffer);
    DirTestFailCall(1004, 1, InjectedCode);
    EXPECT_EQ(ServerClassExists(), SchemaSetNameContext);
    DirTestFailCall(1037, 1, InjectedCode);
    EXPECT_EQ(ServerClassExists(), SchemaServerClassMissing) << "a failed test counts as missing";
    ExpectAllReleased("failures");
}

} // namespace
