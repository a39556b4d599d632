// The two shipped libraries as the loader sees them (their classes in the order the panels rely
// on, descriptors fit for the report and the customise dialogs, parameter windows) and what
// every class keeps: its record in the workspace after the node record, copies made by
// duplication, and parameter windows that edit the right object.
#include <cstring>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "byte_builder.h"
#include "io/workspace.h"
#include "platform/workspace_file.h"
#include "shipped_fixture.h"

namespace {

namespace fs = std::filesystem;

// The parameter fields of a class's window (every edit and check box past the node fields).
std::vector<int> ParamFields(platform::Dialog* w) {
    std::vector<int> ids;
    for (int id = 2000; id < 2100; ++id) {
        if (w->HasControl(id)) ids.push_back(id);
    }
    return ids;
}

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

std::vector<int> AllClassIds() {
    std::vector<int> ids = Ids(Library(kShippedEmitters));
    for (int id : Ids(Library(kShippedDaemons))) ids.push_back(id);
    return ids;
}

class ShippedRecords : public ShippedTest {
  protected:
    // An object of the class as the user makes it: a daemon from its button, an emitter with
    // its new fluid.
    static Nodo* Make(int class_id) {
        if (class_id < 100) return NewDaemonOf(class_id);
        Fluido* f = NewFluid(class_id);
        return f ? f->emitter : nullptr;
    }

    TempDir scratch;
    const std::string path = scratch.File("records.ulw");
};

// Values every field accepts: within 0 and 1, all different.
float ValueFor(size_t k) { return 0.15f + 0.05f * static_cast<float>(k); }

TEST_F(ShippedRecords, EveryClassSavesItsParametersAfterTheNodeRecordAndLoadsThemBackAloneOrInAWorkspace) {
    for (int class_id : AllClassIds()) {
        SCOPED_TRACE(class_id);
        Nodo* original = Make(class_id);
        ASSERT_NE(original, nullptr);
        platform::Dialog* w = WindowOf(original);
        const std::vector<int> fields = ParamFields(w);
        ASSERT_FALSE(fields.empty());
        for (size_t k = 0; k < fields.size(); ++k) {
            if (w->Kind(fields[k]) == platform::ControlKind::CheckBox) {
                SetChecked(original, fields[k], true);
            } else {
                Set(original, fields[k], ValueFor(k));
            }
        }
        Set(original, {{kIdPosX, 1.25f}, {kIdRotY, 30.0f}, {kIdScaleZ, 2.5f}});

        ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
        EXPECT_EQ(original->Save(), 1);
        ASSERT_TRUE(platform::EndWorkspaceWrite(true));
        // The node's 61 bytes, the number of values, one float per value, then each text
        // with its length.
        size_t texts = 0;
        for (int id : fields) {
            if (id == shipped::kIdDirectory || id == shipped::kIdPrefix) texts += 4 + w->GetText(id).size();
        }
        EXPECT_EQ(fs::file_size(path), 61u + 4u + 4u * fields.size() + texts);

        Nodo* copy = Make(class_id);
        ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
        EXPECT_EQ(copy->Load(), 1);
        platform::EndWorkspaceRead();
        EXPECT_NEAR(copy->matrix.GetTranslation().x, 1.25f, 1e-6f) << "the matrix follows the load";
        // Saved again, the copy writes the same record: every value came back.
        const std::vector<uint8_t> record = ReadFileBytes(path);
        ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
        EXPECT_EQ(copy->Save(), 1);
        ASSERT_TRUE(platform::EndWorkspaceWrite(true));
        EXPECT_TRUE(ReadFileBytes(path) == record);
    }
    // Every class together through a workspace: values lost or records out of step would
    // change what a second save writes.
    const size_t nodes = static_cast<size_t>(CountFluids() + CountDaemons());
    ASSERT_TRUE(SaveWorkspace(path.c_str()));
    const std::vector<uint8_t> first = ReadFileBytes(path);
    ASSERT_TRUE(LoadWorkspace(path.c_str()));
    EXPECT_EQ(static_cast<size_t>(CountFluids() + CountDaemons()), nodes);
    ASSERT_TRUE(SaveWorkspace(path.c_str()));
    EXPECT_EQ(ReadFileBytes(path), first);
}

TEST_F(ShippedRecords, ARecordCutShortIsRefusedAndChangesNothing) {
    Daemon* g = NewDaemonOf(shipped::kGravityId);
    Set(g, shipped::kIdStrength, 3.0f);
    ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
    g->Save();
    ASSERT_TRUE(platform::EndWorkspaceWrite(true));
    fs::resize_file(path, fs::file_size(path) - 2);

    Daemon* other = NewDaemonOf(shipped::kGravityId);
    ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
    EXPECT_EQ(other->Load(), 0);
    platform::EndWorkspaceRead();
    EXPECT_FLOAT_EQ(Get(other, shipped::kIdStrength), 9.81f);
}

// A class that gains a parameter reads its older records, and an older class skips what it
// does not know, so the workspace stays in step either way.
TEST_F(ShippedRecords, RecordsWithFewerOrMoreValuesStayInStep) {
    Daemon* g = NewDaemonOf(shipped::kAttractorId);
    ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
    ASSERT_EQ(root.next->Nodo::Save(), 1);  // a node record ...
    platform::WriteI32(1);                  // ... with one value
    platform::WriteF32(7.0f);
    ASSERT_EQ(root.next->Nodo::Save(), 1);  // then five values, two unknown
    platform::WriteI32(5);
    for (float v : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}) platform::WriteF32(v);
    platform::WriteU8(42);
    ASSERT_TRUE(platform::EndWorkspaceWrite(true));

    ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
    EXPECT_EQ(g->Load(), 1);
    EXPECT_FLOAT_EQ(Get(g, shipped::kIdStrength), 7.0f);
    EXPECT_FLOAT_EQ(Get(g, shipped::kIdFalloff), 2.0f) << "not in the record: default";
    EXPECT_EQ(g->Load(), 1);
    EXPECT_FLOAT_EQ(Get(g, shipped::kIdRange), 3.0f);
    uint8_t next = 0;
    EXPECT_TRUE(platform::ReadU8(&next));
    EXPECT_EQ(next, 42);
    platform::EndWorkspaceRead();
}

// Names and places of copies are the daemon list's business; here the class's own values.
TEST_F(ShippedRecords, DuplicatedDaemonsCopyTheirParameters) {
    Daemon* wind = NewDaemonOf(shipped::kWindId);
    Set(wind, {{shipped::kIdSpeed, 4.5f}, {shipped::kIdGusts, 0.25f}});
    Daemon* copy = DuplicateDaemon(wind);
    ASSERT_NE(copy, nullptr);
    EXPECT_FLOAT_EQ(Get(copy, shipped::kIdSpeed), 4.5f);
    EXPECT_FLOAT_EQ(Get(copy, shipped::kIdGusts), 0.25f);
    // The copy is its own daemon: editing it leaves the original alone.
    Set(copy, shipped::kIdSpeed, 1.0f);
    EXPECT_FLOAT_EQ(Get(wind, shipped::kIdSpeed), 4.5f);
    Daemon* placed = DuplicateDaemonAt(wind, Vector(5, 0, 0), Vector(0, 45, 0));
    EXPECT_FLOAT_EQ(Get(placed, shipped::kIdSpeed), 4.5f);
}

// One window serves every daemon of a class, one every emitter. Refreshing all daemons shows
// each in turn; the window must end up showing the selected one, which is the one it edits. An
// emitter window edits the emitter shown last and lets go of one that is deleted.
TEST_F(ShippedRecords, WindowsShowAndEditOnlyTheSelectedObject) {
    Daemon* a = NewDaemonOf(shipped::kGravityId);
    Set(a, shipped::kIdStrength, 1.0f);
    Daemon* b = NewDaemonOf(shipped::kGravityId);
    Set(b, shipped::kIdStrength, 2.0f);
    SelectDaemonItem(DaemonItem(a));
    RefreshAllDaemons();
    platform::Dialog* w = a->descriptor->window;
    EXPECT_FLOAT_EQ(std::strtof(w->GetText(shipped::kIdStrength).c_str(), nullptr), 1.0f);
    // Leaving the field as it shows must not write b's value into a.
    platform::TypeIntoField(w, shipped::kIdStrength, w->GetText(shipped::kIdStrength));
    EXPECT_FLOAT_EQ(Get(a, shipped::kIdStrength), 1.0f);
    EXPECT_FLOAT_EQ(Get(b, shipped::kIdStrength), 2.0f);

    Fluido* f = NewFluid(shipped::kSquareId);
    Fluido* g = NewFluid(shipped::kSquareId);
    Set(f->emitter, shipped::kIdSpeed, 2.0f);
    Set(g->emitter, shipped::kIdSpeed, 3.0f);
    EXPECT_FLOAT_EQ(Get(f->emitter, shipped::kIdSpeed), 2.0f);
    w = f->emitter->descriptor->window;
    g->emitter->SetParameterBlock();
    DeleteFluido(g);
    EXPECT_EQ(w->UserData(), 0);
    EXPECT_EQ(platform::TypeIntoField(w, shipped::kIdSpeed, "9"), 0) << "edits nothing";
    EXPECT_FLOAT_EQ(Get(f->emitter, shipped::kIdSpeed), 2.0f);
}

TEST_F(ShippedRecords, FieldsClampToTheirLimits) {
    Daemon* ground = NewDaemonOf(shipped::kGroundPlaneId);
    Set(ground, {{shipped::kIdBounce, 3.0f}, {shipped::kIdFriction, -2.0f}});
    EXPECT_FLOAT_EQ(Get(ground, shipped::kIdBounce), 1.0f);
    EXPECT_FLOAT_EQ(Get(ground, shipped::kIdFriction), 0.0f);
    Daemon* gravity = NewDaemonOf(shipped::kGravityId);
    Set(gravity, shipped::kIdStrength, -3.0f);
    EXPECT_FLOAT_EQ(Get(gravity, shipped::kIdStrength), -3.0f) << "gravity may pull up";
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
