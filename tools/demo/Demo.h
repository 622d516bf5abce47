// The demo: the suite laid down in one scenario, the real tool run on it as a
// user would, and what it did said in words or in pictures.
#pragma once
#include <string>

#include "Footprint.h"
#include "Scenario.h"
#include "Seeding.h"
#include "ToolDriver.h"

namespace demo {

// The demo's installation: a folder cleaned by name, the suite's services and
// programs running, one of its files held open by a program the tool cannot end.
footprint::Scenario DemoScenario();
// Lays the installation down; says why not on the standard error.
bool Seeded(footprint::Installation& install);
// The demo's user: Yes to the start and file questions, No to the restart.
tooldriver::Answerer DemoAnswers(const std::string& tool);
// Pictures of the tool's windows, as BMP files dir\prefix*.bmp; 0 when all were taken.
int Shots(const std::string& dir, const std::string& prefix);

}  // namespace demo
