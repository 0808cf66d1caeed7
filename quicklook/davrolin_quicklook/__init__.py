"""The quick look of a deployment export: four figures and index.html."""
