// What Windows reads about the built setup program: its version resource and its manifest.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>

static const char kSetup[] = NX_TEST_SETUP_EXE;

class VersionResource : public ::testing::Test {
protected:
    void SetUp() override
    {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(kSetup, &ignored);
        ASSERT_NE(0u, size) << kSetup << ": error " << GetLastError();
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(kSetup, 0, size, data_.data()));
    }

    // A string of the first language the translation table names; "<missing>" when absent.
    std::string Value(const char *name)
    {
        WORD *translation;
        char *value;
        UINT len;
        char path[128];
        if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", (void **)&translation, &len) || len < 4)
            return "<no translation>";
        snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        if (!VerQueryValueA(data_.data(), path, (void **)&value, &len))
            return "<missing>";
        return std::string(value);
    }

    std::vector<char> data_;
};

TEST_F(VersionResource, NumbersAreTheProjectVersion)
{
    unsigned v[4] = { 0, 0, 0, 0 };
    ASSERT_EQ(4, sscanf(NX_EXPECTED_VERSION, "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]));
    VS_FIXEDFILEINFO *fixed;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data_.data(), "\\", (void **)&fixed, &len));
    ASSERT_EQ(sizeof(*fixed), len);
    EXPECT_EQ((DWORD)VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(MAKELONG(v[1], v[0]), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(v[3], v[2]), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ((DWORD)VFT_APP, fixed->dwFileType);
}

TEST_F(VersionResource, StringsNameTheProgramAndItsMaker)
{
    static const struct {
        const char *name;
        const char *value;
    } cases[] = {
        { "CompanyName", "Quorvane Software" },
        { "FileDescription", "NEXFER Pro Setup" },
        { "FileVersion", NX_EXPECTED_VERSION },
        { "ProductName", "NEXFER Pro" },
        { "ProductVersion", NX_EXPECTED_VERSION },
        { "OriginalFilename", "setup.exe" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.value, Value(c.name)) << c.name;
    std::string copyright = Value("LegalCopyright");
    EXPECT_EQ(0u, copyright.find("Copyright (C) ")) << copyright;
    EXPECT_NE(std::string::npos, copyright.find("Quorvane Software")) << copyright;
}

// The manifest resource (id 1) of a program loaded as data, as text; empty when absent.
static std::string ReadManifest(const char *path)
{
    std::string text;
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const char *bytes = loaded ? (const char *)LockResource(loaded) : NULL;
    if (bytes)
        text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

// The element that starts with open, up to its end; empty when there is none.
static std::string Element(const std::string &text, const char *open, const char *close)
{
    size_t start = text.find(open);
    size_t end = start == std::string::npos ? start : text.find(close, start);
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

TEST(Manifest, IdentityElevationAndSupportedSystems)
{
    std::string manifest = ReadManifest(kSetup);
    ASSERT_FALSE(manifest.empty()) << kSetup << ": error " << GetLastError();
    std::string identity = Element(manifest, "<assemblyIdentity", "/>");
    EXPECT_NE(std::string::npos, identity.find("name=\"Quorvane.NEXFER.Setup\"")) << identity;
    EXPECT_NE(std::string::npos, identity.find("version=\"" NX_EXPECTED_VERSION "\"")) << identity;
    std::string level = Element(manifest, "<requestedExecutionLevel", "/>");
    EXPECT_NE(std::string::npos, level.find("level=\"requireAdministrator\"")) << level;

    // Windows Vista, 7, 8, 8.1, and 10 with 11.
    static const char *const systems[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
    };
    std::string compatibility = Element(manifest, "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
                                        "</compatibility>");
    std::string application = Element(compatibility, "<application>", "</application>");
    for (const char *id : systems)
        EXPECT_NE(std::string::npos, application.find(std::string("<supportedOS Id=\"") + id + "\"/>")) << id;
}

// Drawn at each monitor's DPI (per-monitor v2, then per-monitor, then the older
// declaration) and in the system's current look, through Common Controls 6.
TEST(Manifest, DpiAwarenessAndCommonControls)
{
    std::string manifest = ReadManifest(kSetup);
    ASSERT_FALSE(manifest.empty()) << kSetup << ": error " << GetLastError();
    EXPECT_NE(std::string::npos, Element(manifest, "<dpiAwareness ", "</dpiAwareness>")
                                     .find(">PerMonitorV2, PerMonitor")) << manifest;
    EXPECT_NE(std::string::npos, Element(manifest, "<dpiAware ", "</dpiAware>").find(">true/pm")) << manifest;
    std::string controls = Element(manifest, "<dependentAssembly>", "</dependentAssembly>");
    EXPECT_NE(std::string::npos, controls.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""))
        << controls;
    EXPECT_NE(std::string::npos, controls.find("publicKeyToken=\"6595b64144ccf1df\"")) << controls;
}

// The system's own manifest parser accepts it: an activation context made from the resource.
TEST(Manifest, ActivationContextFromTheProgram)
{
    ACTCTXA context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = kSetup;
    context.lpResourceName = MAKEINTRESOURCEA(1);
    SetLastError(0xdeadbeef);
    HANDLE handle = CreateActCtxA(&context);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle) << "error " << GetLastError();
    ReleaseActCtx(handle);
}
