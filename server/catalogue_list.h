#ifndef CATALOGUE_LIST_H
#define CATALOGUE_LIST_H

#include <QByteArray>
#include <QStringList>
#include <QVector>

// A list reply of the catalogue (brands, models or engines) read into what the
// window keeps and what its box shows. Plain work over the reply's bytes: a list
// of thousands takes some milliseconds to read, so the window has it done away
// from the GUI thread and only puts the result in place.

enum class ListKind { Brands, Models, Engines };

// The titles in the order a box shows them: sorted by UTF-16 code units
// (case-sensitive, not by locale), each cut to a shown length, each with the
// server-order position of the first equal title, which leads back to its id.
struct SortedChoices {
    QStringList texts;
    QVector<int> positions;
};

struct CatalogueList {
    QStringList ids;      // server order, as the titles
    QStringList titles;
    QStringList power;    // engines only
    QStringList torque;   // engines only
    QStringList items;    // engines only: the engine texts, which the box shows
    SortedChoices choices;
};

CatalogueList read_catalogue_list(ListKind kind, const QByteArray &body);

#endif // CATALOGUE_LIST_H
