#pragma once

// What every shipped emitter and daemon has in common: a parameter block that the class's
// window edits, saves with the workspace and copies, and a descriptor made from a few facts.

#include <new>
#include <type_traits>

#include "param_block.h"
#include "undaline.h"

namespace shipped {

// The object a parameter window edits, whatever its base class.
class ParamOwner {
public:
    virtual ~ParamOwner() = default;
    virtual ParamBlock& Params() = 0;
    virtual Nodo* Node() = 0;
    // After the user changed a parameter.
    virtual void ParamsChanged() = 0;
};

// The one window procedure of every shipped class. A daemon window edits the selected daemon
// (seldaemon); an emitter window edits the emitter whose SetParameterBlock ran last.
intptr_t ParamWindowProc(platform::Dialog* window, unsigned msg, uintptr_t wparam, intptr_t lparam);

// Base is Daemon or Creador.
template <class Base>
class Shipped : public Base, public ParamOwner {
    static_assert(std::is_base_of_v<Nodo, Base>);
    static constexpr bool kIsDaemon = std::is_base_of_v<Daemon, Base>;

public:
    explicit Shipped(const ParamTable& table) : params_(table) {}

    // An emitter window must not go on editing an emitter that is gone.
    ~Shipped() override {
        platform::Dialog* w = Window();
        if (w && w->UserData() == Binding()) w->SetUserData(0);
    }

    ParamBlock& Params() override { return params_; }
    Nodo* Node() override { return this; }
    void ParamsChanged() override { this->CalculaDependientes(); }

    // A linked node's matrix comes from its object (UpdateLink); a free one composes its own.
    void CalculaDependientes() override {
        if (!this->link) this->UpdateMatrix();
    }

    void SetParameterBlock() override {
        platform::Dialog* w = Window();
        if constexpr (kIsDaemon) {
            // One window serves every daemon of the class and edits the selected one: refreshing
            // all daemons must not leave another daemon's values in front of the user.
            if (seldaemon && seldaemon != this && seldaemon->descriptor == this->descriptor) return;
        } else {
            if (w) w->SetUserData(Binding());
        }
        Base::SetParameterBlock();
        if (!w) return;
        ShowNodeScale(w, this);
        params_.Show(w);
    }

    // Picking: the outline the picture shows, under the name the viewport gave the node.
    void RepresentaSel() override {
        if constexpr (kIsDaemon) {
            this->RepresentaNodo();
        } else {
            this->Representa();
        }
    }

    // The node record, then the parameters.
    int Save() override { return Base::Save() && params_.Save(); }
    int Load() override {
        if (!Base::Load() || !params_.Load()) return 0;
        if (!this->link) this->UpdateMatrix();
        return 1;
    }

    void Copy(Nodo* source) override {
        Base::Copy(source);
        auto* other = dynamic_cast<ParamOwner*>(source);
        if (other && &other->Params().table() == &params_.table()) params_ = other->Params();
        ParamsChanged();
    }

protected:
    float P(int i) const { return params_[i]; }
    void SetP(int i, float v) { params_[i] = v; }

private:
    platform::Dialog* Window() const {
        return this->descriptor ? this->descriptor->window : nullptr;
    }
    intptr_t Binding() { return reinterpret_cast<intptr_t>(static_cast<ParamOwner*>(this)); }

    ParamBlock params_;
};

// What a class tells about itself.
struct ClassFacts {
    int kind;
    int class_id;
    const char* name;
    const char* label;
    const char* description;
    const char* details;
    const ParamTable* table;
};

// The descriptor of a shipped class, filled from its facts. The parameter window's dialog id
// is the class id.
class ShippedDescriptor : public Descriptor {
public:
    explicit ShippedDescriptor(const ClassFacts& facts);
    const platform::DialogTemplate* Template() const { return ParamWindowTemplate(name, *table_); }

protected:
    ~ShippedDescriptor() = default;

private:
    const ParamTable* table_;
};

template <class T>
class ShippedClass final : public ShippedDescriptor {
public:
    explicit ShippedClass(const ClassFacts& facts) : ShippedDescriptor(facts) {}
    Nodo* Create() override { return new (std::nothrow) T; }
};

// The template of the class whose dialog id is dialog_id among count classes; null for none.
const platform::DialogTemplate* FindTemplate(ShippedDescriptor* const* classes, int count,
                                             int dialog_id);

}  // namespace shipped
