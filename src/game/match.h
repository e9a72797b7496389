// The match flow: the title, serves and rallies, goals, the adaptive level, the result.
#pragma once

void EnterTitle();
