#include "platform/file_types.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "platform/dynamic_library.h"

namespace chiffrel {

namespace {

// The few GIO functions the lookups and the start need. GIO is opened at run time rather than
// linked: the program then starts without loading it and its libraries, and only a click on a
// link pays for it. The headers still check every call.
struct Gio {
    decltype(&g_content_type_guess) contentTypeGuess;
    decltype(&g_content_type_is_unknown) contentTypeIsUnknown;
    decltype(&g_app_info_get_default_for_type) defaultForType;
    decltype(&g_app_info_get_default_for_uri_scheme) defaultForUriScheme;
    decltype(&g_app_info_supports_uris) supportsUris;
    decltype(&g_desktop_app_info_get_is_hidden) isHidden;
    decltype(&g_app_info_launch_uris) launchUris;
    decltype(&g_object_unref) objectUnref;
    decltype(&g_free) free;
};

std::optional<Gio> OpenGio() {
    // Never closed: GIO registers types and may run threads for the rest of the process.
    void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return std::nullopt;
    }
    Gio gio{};
    const bool complete =
        ResolveFunction(library, "g_content_type_guess", gio.contentTypeGuess) &&
        ResolveFunction(library, "g_content_type_is_unknown", gio.contentTypeIsUnknown) &&
        ResolveFunction(library, "g_app_info_get_default_for_type", gio.defaultForType) &&
        ResolveFunction(library, "g_app_info_get_default_for_uri_scheme",
                        gio.defaultForUriScheme) &&
        ResolveFunction(library, "g_app_info_supports_uris", gio.supportsUris) &&
        ResolveFunction(library, "g_desktop_app_info_get_is_hidden", gio.isHidden) &&
        ResolveFunction(library, "g_app_info_launch_uris", gio.launchUris) &&
        ResolveFunction(library, "g_object_unref", gio.objectUnref) &&
        ResolveFunction(library, "g_free", gio.free);
    return complete ? std::optional<Gio>(gio) : std::nullopt;
}

// GIO once opened, or nothing when it is missing.
const Gio* LoadedGio() {
    static const std::optional<Gio> gio = OpenGio();
    return gio ? &*gio : nullptr;
}

// The content type the desktop gives files with this extension, or nothing when it knows none.
std::optional<std::string> ContentTypeOf(const Gio& gio, std::string_view extension) {
    const std::string fileName = "page" + std::string(extension);
    gchar* type = gio.contentTypeGuess(fileName.c_str(), nullptr, 0, nullptr);
    std::optional<std::string> known;
    if (type != nullptr && !gio.contentTypeIsUnknown(type)) {
        known = type;
    }
    gio.free(type);
    return known;
}

// Owns the application found, when there is one that can be given an address. A hidden entry
// stands for an application the user removed: GIO may still name it as a default, and it does
// not count. Every application GIO finds here is a desktop entry, so the entry query applies.
std::shared_ptr<void> Startable(const Gio& gio, GAppInfo* info) {
    if (info == nullptr) {
        return nullptr;
    }
    std::shared_ptr<void> owned(info, gio.objectUnref);
    const bool hidden = gio.isHidden(reinterpret_cast<GDesktopAppInfo*>(info));
    return !hidden && gio.supportsUris(info) ? owned : nullptr;
}

}  // namespace

DesktopApplication::DesktopApplication(std::shared_ptr<void> info) : info_(std::move(info)) {}

std::optional<DesktopApplication> DesktopApplication::DefaultForExtension(
    std::string_view extension) {
    const Gio* gio = LoadedGio();
    const auto type = gio ? ContentTypeOf(*gio, extension) : std::nullopt;
    if (!type) {
        return std::nullopt;
    }
    // GIO passes over an application that cannot take an address for the next one of the type.
    auto info = Startable(*gio, gio->defaultForType(type->c_str(), TRUE));
    return info ? std::optional(DesktopApplication(std::move(info))) : std::nullopt;
}

std::optional<DesktopApplication> DesktopApplication::DefaultForScheme(std::string_view scheme) {
    const Gio* gio = LoadedGio();
    if (gio == nullptr) {
        return std::nullopt;
    }
    auto info = Startable(*gio, gio->defaultForUriScheme(std::string(scheme).c_str()));
    return info ? std::optional(DesktopApplication(std::move(info))) : std::nullopt;
}

bool DesktopApplication::Launch(const std::string& address) const {
    // An application exists only once GIO is loaded.
    const Gio& gio = *LoadedGio();
    // GIO only reads the list and its text.
    GList addresses{const_cast<char*>(address.c_str()), nullptr, nullptr};
    return gio.launchUris(static_cast<GAppInfo*>(info_.get()), &addresses, nullptr, nullptr);
}

}  // namespace chiffrel
