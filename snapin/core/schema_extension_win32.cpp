#include "core/schema_extension.h"

#include "core/attribute_formats.h"
#include "core/directory_access.h"
#include "core/directory_access_handles.h"
#include "core/module_win32.h"
#include "core/result_codes.h"
#include "resources/resource.h"

#include <dircli32.h>
#include <langsup32.h>
#include <windows.h>

#include <iterator>

namespace rax {

static_assert(sizeof(AttributeDefinition) == sizeof(DirAttributeDefinition));
static_assert(offsetof(AttributeDefinition, syntaxId) == offsetof(DirAttributeDefinition, syntaxId));

namespace {

constexpr uint32_t SchemaNameSize = 260;
constexpr int ClassDefinitionNameLists = 5;

struct AttributeEntry {
    const char *name;
    uint32_t syntaxId;
    uint32_t flags;
};

constexpr uint32_t SingleValued = AttributeFlagAlways | AttributeSingleValued;
constexpr uint32_t MultiValued = AttributeFlagAlways;

// The attributes of a user, in the order they are added.
constexpr AttributeEntry UserAttributes[] = {
    {AttrSessionParameters, SyntaxInteger, SingleValued},
    {AttrDialbackFlag, SyntaxInteger, SingleValued},
    {AttrPasswordParameters, SyntaxOctetString, SingleValued},
    {AttrDialbackNumber, SyntaxTelephoneNumber, SingleValued},
    {AttrArasZone, SyntaxOctetString, MultiValued},
    {AttrIpxProfile, SyntaxOctetString, SingleValued},
    {AttrIpProfile, SyntaxOctetString, SingleValued},
    {AttrIdleTimeout, SyntaxInteger, SingleValued},
    {AttrIpAddressPoolFlag, SyntaxInteger, SingleValued},
    {AttrIpFilters, SyntaxOctetString, SingleValued},
};

// The attributes of the four container classes, in the order they are added.
constexpr AttributeEntry ContainerAttributes[] = {
    {AttrIpxProfile, SyntaxOctetString, SingleValued},
    {AttrIpProfile, SyntaxOctetString, SingleValued},
    {AttrIdleTimeout, SyntaxInteger, SingleValued},
    {AttrIpAddressPoolFlag, SyntaxInteger, SingleValued},
    {AttrIpFilters, SyntaxOctetString, SingleValued},
};

struct ClassEntry {
    const char *name;
    const AttributeEntry *attributes;
    std::size_t attributeCount;
};

// The classes in the order they are processed ("country" last: EnsureSchema
// relies on that).
constexpr ClassEntry ExtendedClasses[] = {
    {ClassUser, UserAttributes, std::size(UserAttributes)},
    {ClassOrganizationalUnit, ContainerAttributes, std::size(ContainerAttributes)},
    {ClassOrganization, ContainerAttributes, std::size(ContainerAttributes)},
    {ClassLocality, ContainerAttributes, std::size(ContainerAttributes)},
    {ClassCountry, ContainerAttributes, std::size(ContainerAttributes)},
};

// Message 6015 with the code, in an error box without owner.
void ShowSchemaExtensionFailure(int32_t code)
{
    char caption[100] = {};
    char format[512] = {};
    char text[1024] = {};
    HINSTANCE module = ModuleInstance();
    if (LoadStringA(module, IDS_SNAPIN_CAPTION, caption, sizeof caption) == 0)
        return;
    if (LoadStringA(module, IDS_SCHEMA_EXTENSION_FAILED, format, sizeof format) == 0)
        return;
    wsprintfA(text, format, static_cast<unsigned long>(static_cast<uint32_t>(code)));
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

// Searches the name lists of the class definition in the reply for the
// attribute. Codes as ClassHasAttribute's.
int32_t ReplyNamesAttribute(DirectoryContext context, DirBuffer reply, const char *attributeName,
                            uint8_t *found)
{
    char className[SchemaNameSize] = {};
    DirClassInfo classInfo = {};
    if (DirGetClassDef(context, reply, className, &classInfo) != 0)
        return SchemaGetClassDef;
    for (int list = 0; list < ClassDefinitionNameLists && !*found; ++list) {
        uint32_t nameCount = 0;
        if (DirGetNameListCount(context, reply, &nameCount) != 0)
            return SchemaNameListCount;
        for (uint32_t i = 0; i < nameCount && !*found; ++i) {
            char name[SchemaNameSize] = {};
            if (DirGetNextName(context, reply, name) != 0)
                return SchemaGetListName;
            name[SchemaNameSize - 1] = '\0';
            if (LangCompareNames(name, attributeName) == 0)
                *found = 1;
        }
    }
    return 0;
}

} // namespace

int32_t ClassHasAttribute(const char *className, uint8_t *found, const char *attributeName)
{
    *found = 0;
    DirectoryContext context = SchemaContext();
    ScopedBuffer request;
    ScopedBuffer reply;
    if (request.Allocate() != 0)
        return SchemaNoContextOrBuffer;
    if (DirInitBuffer(context, DIR_OP_READ_CLASS_DEF, request.Get()) != 0)
        return SchemaInitBuffer;
    if (DirPutClassName(context, request.Get(), className) != 0)
        return SchemaPutClassName;
    if (reply.Allocate() != 0)
        return SchemaNoContextOrBuffer;

    ScopedIteration iteration(context, DIR_OP_READ_OBJECT);
    int32_t result = DirReadClassDefs(context, DIR_INFO_FULL_CLASS_DEFS, 0, request.Get(), iteration.Handle(),
                                      reply.Get());
    if (result == DIR_ERR_NO_SUCH_CLASS)
        return 0;
    if (result != 0)
        return SchemaReadClassDef;
    uint32_t count = 0;
    if (DirGetClassDefCount(context, reply.Get(), &count) != 0)
        return SchemaClassDefCount;
    if (count == 0)
        return 0;
    if (!attributeName) {
        *found = 1;
        return 0;
    }
    return ReplyNamesAttribute(context, reply.Get(), attributeName, found);
}

int32_t AddAttributeToClass(const char *className, const char *attributeName,
                            const AttributeDefinition &definition)
{
    DirectoryContext context = SchemaContext();
    int32_t result = DirDefineAttribute(context, attributeName,
                                        reinterpret_cast<const DirAttributeDefinition *>(&definition));
    if (result != 0 && result != DIR_ERR_ATTR_EXISTS)
        return SchemaDefineAttribute;

    ScopedBuffer request;
    if (request.Allocate() != 0)
        return SchemaNoContextOrBuffer;
    if (DirInitBuffer(context, DIR_OP_MODIFY_CLASS_DEF, request.Get()) != 0)
        return SchemaInitBuffer;
    if (DirPutAttrName(context, request.Get(), attributeName) != 0)
        return SchemaPutAttributeName;
    result = DirModifyClassDef(context, className, request.Get());
    if (result != 0 && result != DIR_ERR_ATTR_IN_CLASS)
        return SchemaAddToClass;
    return 0;
}

int32_t ExtendSchema()
{
    for (const ClassEntry &entry : ExtendedClasses) {
        for (std::size_t i = 0; i < entry.attributeCount; ++i) {
            const AttributeEntry &attribute = entry.attributes[i];
            AttributeDefinition definition = {};
            definition.flags = attribute.flags;
            definition.syntaxId = attribute.syntaxId;
            int32_t result = AddAttributeToClass(entry.name, attribute.name, definition);
            if (result != 0)
                return result;
        }
    }
    return 0;
}

int32_t ServerClassExists()
{
    int32_t result = OpenSchemaContext();
    if (result != 0)
        return result;
    uint8_t found = 0;
    ClassHasAttribute(ServerClassName, &found, nullptr);
    FreeSchemaContext();
    return found ? 0 : SchemaServerClassMissing;
}

int32_t EnsureSchema()
{
    int32_t result = OpenSchemaContext();
    if (result != 0)
        return result;

    // The class processed last, with its idle timeout and its last
    // attribute: both there means an earlier extension ran to the end. The
    // results are not looked at; a failed test leaves its flag 0.
    uint8_t hasIdleTimeout = 0;
    uint8_t hasIpFilters = 0;
    ClassHasAttribute(ClassCountry, &hasIdleTimeout, AttrIdleTimeout);
    ClassHasAttribute(ClassCountry, &hasIpFilters, AttrIpFilters);
    if (!(hasIdleTimeout && hasIpFilters)) {
        result = ExtendSchema();
        if (result != 0)
            ShowSchemaExtensionFailure(result);
    }
    FreeSchemaContext();
    return result;
}

} // namespace rax
