#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/file_types.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;

// A throw-away XDG tree: config home, one config dir, data home, two data dirs.
class XdgTreeTest : public testing::Test {
  protected:
    XdgTreeTest() {
        std::string pattern = (fs::temp_directory_path() / "xdg-tree-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        dirs_ = XdgDirectories{(root_ / "config-home").string(),
                               {(root_ / "config-dir").string()},
                               (root_ / "data-home").string(),
                               {(root_ / "data-dir-1").string(), (root_ / "data-dir-2").string()}};
    }
    ~XdgTreeTest() override { fs::remove_all(root_); }

    void Write(const fs::path& relative, const std::string& content) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << content;
    }

    void Install(const std::string& dataDir, const std::string& id, const std::string& exec) {
        Write(fs::path(dataDir) / "applications" / id,
              "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=" + exec + "\n");
    }

    std::optional<std::string> HtmlCommand() const {
        return DefaultApplicationCommand(dirs_, "text/html");
    }

    fs::path root_;
    XdgDirectories dirs_;
};

TEST_F(XdgTreeTest, MimeAppsListsAreReadInPrecedenceOrder) {
    Install("data-dir-2", "a.desktop", "a %u");
    Install("data-dir-2", "b.desktop", "b %u");
    Install("data-dir-2", "c.desktop", "c %u");
    Install("data-dir-2", "d.desktop", "d %u");
    Write("data-dir-1/applications/mimeapps.list", "[Default Applications]\ntext/html=d.desktop\n");
    EXPECT_EQ(HtmlCommand(), "d %u");
    Write("data-home/applications/mimeapps.list", "[Default Applications]\ntext/html=c.desktop\n");
    EXPECT_EQ(HtmlCommand(), "c %u");
    Write("config-dir/mimeapps.list", "[Default Applications]\ntext/html=b.desktop\n");
    EXPECT_EQ(HtmlCommand(), "b %u");
    Write("config-home/mimeapps.list", "[Default Applications]\ntext/html=a.desktop\n");
    EXPECT_EQ(HtmlCommand(), "a %u");
}

TEST_F(XdgTreeTest, DefaultsComeBeforeAddedAssociationsOfAnyFile) {
    Install("data-dir-1", "added.desktop", "added %u");
    Install("data-dir-1", "default.desktop", "default %u");
    Write("config-home/mimeapps.list", "[Added Associations]\ntext/html=added.desktop;\n");
    EXPECT_EQ(HtmlCommand(), "added %u");
    Write("data-dir-2/applications/mimeapps.list",
          "[Default Applications]\ntext/html=default.desktop\n");
    EXPECT_EQ(HtmlCommand(), "default %u");
}

TEST_F(XdgTreeTest, ApplicationsThatAreNotInstalledAreSkipped) {
    Install("data-dir-1", "hidden.desktop", "hidden %u");
    Write("data-dir-1/applications/hidden.desktop",
          "[Desktop Entry]\nExec=hidden %u\nHidden=true\n");
    Install("data-dir-1", "noexec.desktop", "");
    Install("data-dir-1", "third.desktop", "third %u");
    Install("data-dir-1", "later.desktop", "later %u");
    Write("config-home/mimeapps.list",
          "[Default Applications]\n"
          "text/html=gone.desktop;hidden.desktop;noexec.desktop;../x.desktop;third.desktop\n");
    Write("config-dir/mimeapps.list", "[Default Applications]\ntext/html=later.desktop\n");
    EXPECT_EQ(HtmlCommand(), "third %u");
    Write("config-home/mimeapps.list", "[Default Applications]\ntext/html=gone.desktop\n");
    EXPECT_EQ(HtmlCommand(), "later %u");
}

TEST_F(XdgTreeTest, DataHomeDesktopFileShadowsTheSystemOne) {
    Install("data-dir-1", "web.desktop", "system %u");
    Install("data-home", "web.desktop", "own %u");
    Write("config-home/mimeapps.list", "[Default Applications]\ntext/html=web.desktop\n");
    EXPECT_EQ(HtmlCommand(), "own %u");
}

TEST_F(XdgTreeTest, ReadsTheKeyFilesAsTheStandardWritesThem) {
    Write("data-dir-1/applications/web.desktop",
          "# comment\r\n[Desktop Entry]\r\nName=Web\r\n"
          "Exec = \"/opt/My\\sBrowser/web\" --new-window \\\\x %U\r\n"
          "[Desktop Action private]\r\nExec=web --private %U\r\n");
    Write("data-dir-1/applications/other.desktop",
          "[Desktop Action first]\nExec=wrong\n[Desktop Entry]\nExec=right %u\n");
    Write("config-home/mimeapps.list",
          "[Added Associations]\ntext/html=other.desktop\n"
          "[Default Applications]\n  Text/HTML  = web.desktop ; other.desktop\n");
    EXPECT_EQ(HtmlCommand(), "\"/opt/My Browser/web\" --new-window \\x %U");
    Write("config-home/mimeapps.list", "[Default Applications]\ntext/html=other.desktop\n");
    EXPECT_EQ(HtmlCommand(), "right %u");
    EXPECT_EQ(DefaultApplicationCommand(dirs_, "text/plain"), std::nullopt);
}

TEST_F(XdgTreeTest, RegistryViewOfTheDefaults) {
    Install("data-dir-1", "web.desktop", "web %u");
    Write("config-home/mimeapps.list", "[Default Applications]\ntext/html=web.desktop\n");
    XdgFileTypeRegistry registry(dirs_);

    for (const char* extension : {".HTM", ".html", ".SHTML", ".shtm"}) {
        const auto key = registry.OpenKey(extension);
        ASSERT_TRUE(key) << extension;
        EXPECT_EQ(registry.QueryDefaultValue(*key), "text/html");
        EXPECT_FALSE(registry.OpenSubKey(*key, "shell\\open\\command")) << extension;
        registry.CloseKey(*key);
        EXPECT_EQ(registry.QueryDefaultValue(*key), std::nullopt);
    }
    EXPECT_FALSE(registry.OpenKey(".txt"));

    const auto command = registry.OpenKey("TEXT/HTML\\Shell\\Open\\Command");
    ASSERT_TRUE(command);
    EXPECT_EQ(registry.QueryDefaultValue(*command), "web %u");
    EXPECT_FALSE(registry.OpenKey("text/plain\\shell\\open\\command"));
}

class EnvironmentVariable {
  public:
    EnvironmentVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvironmentVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(XdgDirectoriesTest, ComeFromTheEnvironment) {
    EnvironmentVariable configHome("XDG_CONFIG_HOME", "/c/home");
    EnvironmentVariable configDirs("XDG_CONFIG_DIRS", "/c/one:relative::/c/two");
    EnvironmentVariable dataHome("XDG_DATA_HOME", "/d/home");
    EnvironmentVariable dataDirs("XDG_DATA_DIRS", "/d/one");
    const auto dirs = XdgDirectories::FromEnvironment();
    EXPECT_EQ(dirs.configHome, "/c/home");
    EXPECT_EQ(dirs.configDirs, (std::vector<std::string>{"/c/one", "/c/two"}));
    EXPECT_EQ(dirs.dataHome, "/d/home");
    EXPECT_EQ(dirs.dataDirs, (std::vector<std::string>{"/d/one"}));
}

TEST(XdgDirectoriesTest, DefaultWhenUnsetEmptyOrRelative) {
    EnvironmentVariable home("HOME", "/home/user");
    EnvironmentVariable configHome("XDG_CONFIG_HOME", "relative");
    EnvironmentVariable configDirs("XDG_CONFIG_DIRS", "");
    EnvironmentVariable dataHome("XDG_DATA_HOME", nullptr);
    EnvironmentVariable dataDirs("XDG_DATA_DIRS", nullptr);
    const auto dirs = XdgDirectories::FromEnvironment();
    EXPECT_EQ(dirs.configHome, "/home/user/.config");
    EXPECT_EQ(dirs.configDirs, (std::vector<std::string>{"/etc/xdg"}));
    EXPECT_EQ(dirs.dataHome, "/home/user/.local/share");
    EXPECT_EQ(dirs.dataDirs, (std::vector<std::string>{"/usr/local/share", "/usr/share"}));
}

}  // namespace
}  // namespace chiffrel
