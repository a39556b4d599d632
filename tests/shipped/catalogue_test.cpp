// The two shipped libraries as the loader sees them: their classes, the order the panels
// rely on, descriptors fit for the report and the customise dialogs, and parameter windows.
#include <cstring>
#include <set>

#include "shipped_fixture.h"

namespace {

const PluginLibrary* Library(const char* file) {
    for (int i = 0; i < PluginLibraryCount(); ++i) {
        if (std::strcmp(PluginLibraryAt(i)->file, file) == 0) return PluginLibraryAt(i);
    }
    return nullptr;
}

std::vector<int> Ids(const PluginLibrary* lib) {
    std::vector<int> ids;
    for (const PluginClass& c : lib->classes) ids.push_back(c.class_id);
    return ids;
}

using ShippedCatalogue = ShippedTest;

// Emitters in button order; daemons in the panel's button order, with relax last. Each class
// describes itself and opens a window with the node fields.
TEST_F(ShippedCatalogue, LibrariesListTheirClassesInButtonOrderEachWithItsDescriptionAndWindow) {
    const struct {
        const char* file;
        int kind;
        std::vector<int> ids;
    } libraries[] = {
        {kShippedEmitters, kClassEmitter, {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112}},
        {kShippedDaemons, kClassDaemon, {3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12, 13}},
    };
    std::set<std::string> names;
    for (const auto& l : libraries) {
        const PluginLibrary* lib = Library(l.file);
        ASSERT_NE(lib, nullptr);
        EXPECT_TRUE(lib->rejected.empty());
        EXPECT_EQ(Ids(lib), l.ids);
        EXPECT_FLOAT_EQ(lib->version, 1.0f);
        for (const PluginClass& c : lib->classes) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(c.kind, l.kind);
            EXPECT_TRUE(names.insert(c.name).second) << "class names are unique";
            EXPECT_TRUE(*c.label && *c.details && *c.stamp);
            EXPECT_GT(std::strlen(c.description), 20u);
            EXPECT_FLOAT_EQ(c.version, 1.0f);

            Descriptor* d = Class(c.class_id);
            ASSERT_NE(d, nullptr);
            ASSERT_NE(d->window, nullptr);
            EXPECT_EQ(d->dialog_id, c.class_id);
            EXPECT_EQ(d->layout, c.kind == kClassEmitter ? kLayoutBelowFluidWindow : 0);
            for (int id = kIdPosX; id <= kIdRotZ; ++id) {
                EXPECT_EQ(d->window->Kind(id), platform::ControlKind::Edit) << id;
            }
            // The window hangs below its panel's anchor, hidden until an object is shown.
            EXPECT_FALSE(d->window->IsWindowVisible());
            EXPECT_GT(d->window->WindowRect().y, 0);
        }
    }
}

// Fields of one row must not overlap, and rows must not overlap each other.
TEST_F(ShippedCatalogue, WindowControlsDoNotOverlap) {
    for (const char* file : {kShippedEmitters, kShippedDaemons}) {
        for (const PluginClass& c : Library(file)->classes) {
            platform::Dialog* w = Class(c.class_id)->window;
            std::vector<platform::Rect> rects;
            for (int id = 1000; id < 4000; ++id) {
                if (w->HasControl(id)) rects.push_back(w->ControlRect(id));
            }
            for (size_t i = 0; i < rects.size(); ++i) {
                const platform::Rect& a = rects[i];
                EXPECT_LE(a.x + a.width, w->WindowRect().width) << c.name;
                EXPECT_LE(a.Bottom(), w->WindowRect().height) << c.name;
                for (size_t j = i + 1; j < rects.size(); ++j) {
                    const platform::Rect& b = rects[j];
                    bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x ||
                                 a.Bottom() <= b.y || b.Bottom() <= a.y;
                    EXPECT_TRUE(apart) << c.name << ": controls " << i << " and " << j;
                }
            }
        }
    }
}

}  // namespace
