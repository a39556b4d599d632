#pragma once

#include <QString>

// What every interface test does first: a fresh scene, the program's dialogs and message
// boxes on real widgets, the shipped plug-ins found, the configuration in a scratch folder.
namespace uitest {

void FreshProgram();
// An example workspace's path.
QString Example(const char* name);

}  // namespace uitest
