#pragma once
// TGradPanel: a panel that fills itself with a two-colour gradient, draws its caption and its
// own bevels. (Filled in by the painted-controls work.)
