// PLACEHOLDER: the synthetic archive builder comes with the archive implementation.
#pragma once
