// The decision-height alert and the altitude alerter. Each fires at most
// once per test per arming and raises a chime request, which the next
// update service takes.
#pragma once

// Evaluates the decision-height alert, then the altitude alerter.
void presel_evaluate_alerts();
